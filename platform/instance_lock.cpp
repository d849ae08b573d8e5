#include "platform/instance_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdlib>

namespace orbix {
namespace {

std::string LockDirectory(const std::string& directory) {
    if (!directory.empty()) return directory;
    if (const char* run = std::getenv("XDG_RUNTIME_DIR"); run && *run) return run;
    return "/tmp";
}

}  // namespace

CInstanceLock::~CInstanceLock() { Release(); }

bool CInstanceLock::Acquire(const std::string& appName, const std::string& directory) {
    Release();
    std::string path = LockDirectory(directory) + "/" + appName + "-" + std::to_string(getuid()) + ".lock";
    int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
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
