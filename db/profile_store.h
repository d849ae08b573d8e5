#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>

#include "db/profile_text.h"

namespace orbix {

// What tells one version of a file from another, short of its bytes.
struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    std::int64_t modified = 0;  // nanoseconds
    std::int64_t changed = 0;
    bool operator==(const FileIdentity&) const = default;
};

// The wall-clock time in nanoseconds since the epoch.
std::int64_t RealTimeNs();

// Parsed copies of profile files. Load gives the file as it is on disk at the
// moment of the call; an absent or unreadable file gives an empty profile. A
// parsed copy is reused without reading the file only while the file's
// device, inode, size and change times (in nanoseconds) are those it was
// parsed from, and only once those times lie far enough in the past, by the
// clock given, that a later change could not carry the same ones; before
// that, the file is read and its bytes compared.
class CProfileCache {
  public:
    using WallClock = std::function<std::int64_t()>;
    explicit CProfileCache(WallClock now = RealTimeNs);

    std::shared_ptr<const CParsedProfile> Load(const std::string& path);
    // Loads answered from a parsed copy without reading the file.
    std::size_t Hits() const;

  private:
    // settled: the file's times are old enough that any later change must
    // show in them, so a matching identity proves the bytes unchanged.
    struct Entry {
        FileIdentity identity;
        std::shared_ptr<const CParsedProfile> profile;
        bool settled = false;
    };
    void Remember(const std::string& path, Entry entry);

    WallClock m_now;
    mutable std::mutex m_mutex;
    std::unordered_map<std::string, Entry> m_entries;
    std::size_t m_hits = 0;
};

// The file as it is on disk, through the process-wide cache.
std::shared_ptr<const CParsedProfile> LoadProfile(const std::string& path);

// Builds the file's next text from its present one and puts it in place. The
// whole read-change-write runs under an in-process writer lock and an flock on
// "<path>.lock", so no writer in this or another process can slip in between.
// The new text goes to a temporary file in the same directory, is flushed to
// disk and renamed over the old file, so a crash or a failed write leaves the
// old file whole. False when the present file cannot be read or the new one
// cannot be written, or the file is one we may not write (made read-only);
// the old file then stands unchanged and error, when given, gets the errno
// value that says why.
using ProfileChange =
    std::function<std::string(const std::shared_ptr<const CParsedProfile>& current)>;
bool ChangeProfile(const std::string& path, const ProfileChange& change, int* error = nullptr);

}  // namespace orbix
