#pragma once

#include <string>

namespace orbix {

// Keeps a second copy of the program from starting. The lock is an flock on a
// file named after the application; the kernel drops it when the process
// dies, so a crash never leaves a stale lock behind.
class CInstanceLock {
public:
    CInstanceLock() = default;
    CInstanceLock(const CInstanceLock&) = delete;
    CInstanceLock& operator=(const CInstanceLock&) = delete;
    ~CInstanceLock();

    // False when another process holds the lock for appName. The lock file
    // lives in directory, or in the user's runtime directory when empty.
    bool Acquire(const std::string& appName, const std::string& directory = {});
    void Release();

private:
    int m_fd = -1;
};

}  // namespace orbix
