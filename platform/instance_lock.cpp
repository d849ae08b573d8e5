#include "platform/instance_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace orbix {
namespace {

// Readable by everyone, so that another user's instance can open the file
// read-only and still take the flock.
constexpr mode_t kLockFileMode = 0644;

// No symbolic links (a planted link must not make us create or lock some
// other file) and no blocking open (a planted FIFO must not hang start-up).
constexpr int kOpenFlags = O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;

int OpenExisting(const std::string& path) { return open(path.c_str(), kOpenFlags); }

int CreateNew(const std::string& path) {
    const int fd = open(path.c_str(), kOpenFlags | O_CREAT | O_EXCL, kLockFileMode);
    // The umask must not keep other users out of the file.
    if (fd >= 0) (void)fchmod(fd, kLockFileMode);
    return fd;
}

// Opens the lock file, creating it when absent. An existing file is opened
// without O_CREAT: in a sticky directory the kernel may refuse O_CREAT on a
// file another user owns even though plain reading is allowed.
int OpenLockFile(const std::string& path) {
    for (int attempt = 0; attempt < 2; ++attempt) {
        int fd = OpenExisting(path);
        if (fd >= 0 || errno != ENOENT) return fd;
        fd = CreateNew(path);
        if (fd >= 0 || errno != EEXIST) return fd;
        // Another instance created it in between: open that one.
    }
    return -1;
}

bool IsRegularFile(int fd) {
    struct stat st {};
    return fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
}

// A directory every user may create files in, judged by its mode alone so
// that every user, root included, comes to the same answer.
bool IsSharedDirectory(const char* path) {
    struct stat st {};
    constexpr mode_t kShared = S_IWOTH | S_IXOTH | S_ISVTX;
    return stat(path, &st) == 0 && S_ISDIR(st.st_mode) && (st.st_mode & kShared) == kShared;
}

}  // namespace

std::string CInstanceLock::SystemDirectory() {
    return IsSharedDirectory("/run/lock") ? "/run/lock" : "/tmp";
}

CInstanceLock::~CInstanceLock() { Release(); }

bool CInstanceLock::Acquire(const std::string& appName, const std::string& directory) {
    Release();
    const std::string path =
        (directory.empty() ? SystemDirectory() : directory) + "/" + appName + ".lock";
    const int fd = OpenLockFile(path);
    if (fd < 0) return false;
    if (!IsRegularFile(fd) || flock(fd, LOCK_EX | LOCK_NB) != 0) {
        close(fd);
        return false;
    }
    m_fd = fd;
    return true;
}

void CInstanceLock::Release() {
    if (m_fd >= 0) close(m_fd);
    m_fd = -1;
}

}  // namespace orbix
