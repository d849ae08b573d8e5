#include "db/profile_store.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <ctime>
#include <mutex>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace orbix {
namespace {

constexpr std::string_view kTempSuffix = ".tmp";
constexpr std::size_t kTempRandomChars = 6;  // mkstemp's XXXXXX
constexpr std::size_t kMaxCachedFiles = 16;
constexpr int kReadAttempts = 3;

// How long after its last change a file must sit before its parsed copy may
// be reused. File times advance in clock ticks (a few milliseconds); a file
// system whose times have whole seconds only gets a wider margin.
constexpr std::int64_t kSettleNs = 50'000'000;
constexpr std::int64_t kCoarseSettleNs = 2'000'000'000;

std::int64_t Nanoseconds(const timespec& t) {
    return static_cast<std::int64_t>(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
}

FileIdentity IdentityOf(const struct stat& st) {
    return FileIdentity{st.st_dev, st.st_ino, st.st_size, Nanoseconds(st.st_mtim),
                        Nanoseconds(st.st_ctim)};
}

bool IsSettled(const struct stat& st, std::int64_t nowNs) {
    bool coarse = st.st_mtim.tv_nsec == 0 && st.st_ctim.tv_nsec == 0;
    std::int64_t newest = std::max(Nanoseconds(st.st_mtim), Nanoseconds(st.st_ctim));
    return nowNs - newest >= (coarse ? kCoarseSettleNs : kSettleNs);
}

enum class ReadResult { Ok, Absent, Failed };

bool ReadAll(int fd, std::size_t sizeHint, std::string& text) {
    text.clear();
    text.reserve(sizeHint);
    char buf[65536];
    for (off_t offset = 0;;) {
        ssize_t n = pread(fd, buf, sizeof buf, offset);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) return true;
        text.append(buf, static_cast<std::size_t>(n));
        offset += n;
    }
}

// Reads the whole file; st describes the text read. A file that changes while
// it is read (only a writer that bypasses the lock file can do that) is read
// again; if it never holds still, the last text is taken with the times of its
// end, which are too recent for the text to be kept as settled.
ReadResult ReadFileText(const std::string& path, std::string& text, struct stat& st) {
    // Not blocking on open, so a pipe put in the file's place cannot hang us.
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return errno == ENOENT ? ReadResult::Absent : ReadResult::Failed;
    ReadResult result = ReadResult::Failed;
    for (int attempt = 0; attempt < kReadAttempts; ++attempt) {
        struct stat after {};
        if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) ||
            !ReadAll(fd, static_cast<std::size_t>(st.st_size), text) || fstat(fd, &after) != 0) {
            result = ReadResult::Failed;
            break;
        }
        result = ReadResult::Ok;
        bool still = IdentityOf(st) == IdentityOf(after);
        st = after;
        if (still) break;
    }
    close(fd);
    return result;
}

const std::shared_ptr<const CParsedProfile>& EmptyProfile() {
    static const auto empty = std::make_shared<const CParsedProfile>(std::string());
    return empty;
}

std::mutex& WriterMutex() {
    static std::mutex mutex;
    return mutex;
}

// An flock held for the life of the object. The lock file stays in place:
// removing it would let two writers lock two different files.
class CFileLock {
  public:
    CFileLock(const CFileLock&) = delete;
    CFileLock& operator=(const CFileLock&) = delete;
    explicit CFileLock(const std::string& path)
        : m_fd(open(path.c_str(), O_RDONLY | O_CREAT | O_CLOEXEC, 0666)) {
        while (m_fd >= 0 && flock(m_fd, LOCK_EX) != 0) {
            if (errno == EINTR) continue;
            close(m_fd);
            m_fd = -1;
        }
    }
    ~CFileLock() {
        if (m_fd >= 0) close(m_fd);
    }
    bool Held() const { return m_fd >= 0; }

  private:
    int m_fd;
};

struct PathParts {
    std::string directory;
    std::string base;
};

PathParts SplitPath(const std::string& path) {
    std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return {".", path};
    return {slash == 0 ? "/" : path.substr(0, slash), path.substr(slash + 1)};
}

// A symbolic link is written through, so the file it names gets the change.
bool ResolveTarget(const std::string& path, std::string& target) {
    struct stat st {};
    if (lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
        target = path;
        return true;
    }
    char resolved[PATH_MAX];
    if (realpath(path.c_str(), resolved) == nullptr) return false;
    target = resolved;
    return true;
}

// Temporary files left by a writer that was killed. Only a holder of the lock
// creates them, so under the lock every one of them is stale.
void RemoveStaleTemporaries(const PathParts& parts) {
    DIR* dir = opendir(parts.directory.c_str());
    if (dir == nullptr) return;
    std::string prefix = parts.base + std::string(kTempSuffix);
    std::vector<std::string> stale;
    while (const dirent* entry = readdir(dir)) {
        std::string_view name = entry->d_name;
        if (name.size() == prefix.size() + kTempRandomChars &&
            name.substr(0, prefix.size()) == prefix) {
            stale.emplace_back(name);
        }
    }
    for (const std::string& name : stale) unlinkat(dirfd(dir), name.c_str(), 0);
    closedir(dir);
}

bool WriteAll(int fd, std::string_view text) {
    while (!text.empty()) {
        ssize_t n = write(fd, text.data(), text.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        text.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

void SyncDirectory(const std::string& directory) {
    int fd = open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    fsync(fd);
    close(fd);
}

// The new file takes the old one's permissions and, where allowed, owner.
void CopyOwnership(int fd, const struct stat* old) {
    fchmod(fd, old != nullptr ? (old->st_mode & 07777) : 0644);
    if (old != nullptr && fchown(fd, old->st_uid, old->st_gid) != 0) {
        // Only the superuser may give a file away; a normal user keeps it.
    }
}

bool ReplaceFile(const std::string& target, const PathParts& parts, std::string_view text,
                 const struct stat* old) {
    std::string temp = target + std::string(kTempSuffix) + std::string(kTempRandomChars, 'X');
    int fd = mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) return false;
    CopyOwnership(fd, old);
    bool ok = WriteAll(fd, text) && fsync(fd) == 0;
    int error = ok ? 0 : errno;
    ok = close(fd) == 0 && ok;
    if (ok && rename(temp.c_str(), target.c_str()) != 0) ok = false;
    if (!ok) {
        if (error == 0) error = errno;
        unlink(temp.c_str());
        errno = error;
        return false;
    }
    SyncDirectory(parts.directory);
    return true;
}

}  // namespace

std::int64_t RealTimeNs() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return Nanoseconds(now);
}

CProfileCache::CProfileCache(WallClock now) : m_now(std::move(now)) {}

std::shared_ptr<const CParsedProfile> CProfileCache::Load(const std::string& path) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return EmptyProfile();
    std::shared_ptr<const CParsedProfile> known;
    {
        std::lock_guard lock(m_mutex);
        auto it = m_entries.find(path);
        if (it != m_entries.end()) {
            if (it->second.settled && it->second.identity == IdentityOf(st)) {
                ++m_hits;
                return it->second.profile;
            }
            known = it->second.profile;
        }
    }
    std::string text;
    if (ReadFileText(path, text, st) != ReadResult::Ok) return EmptyProfile();
    // Reading is cheap next to parsing: unchanged bytes keep their parse.
    auto profile = known && known->Text() == text
                       ? known
                       : std::make_shared<const CParsedProfile>(std::move(text));
    Remember(path, Entry{IdentityOf(st), profile, IsSettled(st, m_now())});
    return profile;
}

std::size_t CProfileCache::Hits() const {
    std::lock_guard lock(m_mutex);
    return m_hits;
}

void CProfileCache::Remember(const std::string& path, Entry entry) {
    std::lock_guard lock(m_mutex);
    if (m_entries.size() >= kMaxCachedFiles && m_entries.count(path) == 0) m_entries.clear();
    m_entries[path] = std::move(entry);
}

std::shared_ptr<const CParsedProfile> LoadProfile(const std::string& path) {
    static CProfileCache cache;
    return cache.Load(path);
}

namespace {

// A file its owner made read-only stays so: the rename that replaces it would
// otherwise pass over its permissions.
bool MayWrite(const std::string& target, ReadResult read) {
    return read != ReadResult::Ok || faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) == 0;
}

bool ChangeProfileText(const std::string& path, const ProfileChange& change) {
    std::string target;
    if (!ResolveTarget(path, target)) return false;
    PathParts parts = SplitPath(target);
    std::lock_guard writer(WriterMutex());
    CFileLock lock(target + ".lock");
    if (!lock.Held()) return false;
    RemoveStaleTemporaries(parts);
    std::string text;
    struct stat st {};
    ReadResult read = ReadFileText(target, text, st);
    if (read == ReadResult::Failed) return false;
    auto current = std::make_shared<const CParsedProfile>(std::move(text));
    std::string next = change(current);
    if (next == current->Text()) return true;
    if (!MayWrite(target, read)) return false;
    return ReplaceFile(target, parts, next, read == ReadResult::Ok ? &st : nullptr);
}

}  // namespace

bool ChangeProfile(const std::string& path, const ProfileChange& change, int* error) {
    errno = 0;
    const bool written = ChangeProfileText(path, change);
    if (error != nullptr) *error = written ? 0 : (errno != 0 ? errno : EIO);
    return written;
}

}  // namespace orbix
