#pragma once

#include <functional>
#include <memory>
#include <string>

#include "db/profile_text.h"

namespace orbix {

// The file as it is on disk at the moment of the call. An absent or unreadable
// file gives an empty profile. A parsed copy is reused without reading the
// file only while the file's device, inode, size and change times (in
// nanoseconds) are those it was parsed from, and only once those times lie far
// enough in the past that a later change could not carry the same ones; before
// that, the file is read and its bytes compared.
std::shared_ptr<const CParsedProfile> LoadProfile(const std::string& path);

// Builds the file's next text from its present one and puts it in place. The
// whole read-change-write runs under an in-process writer lock and an flock on
// "<path>.lock", so no writer in this or another process can slip in between.
// The new text goes to a temporary file in the same directory, is flushed to
// disk and renamed over the old file, so a crash or a failed write leaves the
// old file whole. False when the present file cannot be read or the new one
// cannot be written; the old file then stands unchanged.
using ProfileChange =
    std::function<std::string(const std::shared_ptr<const CParsedProfile>& current)>;
bool ChangeProfile(const std::string& path, const ProfileChange& change);

}  // namespace orbix
