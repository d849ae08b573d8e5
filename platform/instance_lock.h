#pragma once

#include <string>

namespace orbix {

// Keeps a second copy of the program from driving the card. The lock is an
// flock on one file for the whole machine, named after the application, so
// that two users (or root through sudo and root through a login) never share
// the card; the kernel drops it when the process dies, so a crash never
// leaves a stale lock behind.
class CInstanceLock {
  public:
    CInstanceLock() = default;
    CInstanceLock(const CInstanceLock&) = delete;
    CInstanceLock& operator=(const CInstanceLock&) = delete;
    ~CInstanceLock();

    // False when another process holds the lock for appName, or when the lock
    // file cannot be opened safely (then no one can vouch that the card is
    // free). The file is directory/appName.lock; an empty directory means
    // SystemDirectory(). Tests pass a private directory.
    bool Acquire(const std::string& appName, const std::string& directory = {});
    void Release();

    // The machine-wide place every user can reach: /run/lock when it exists,
    // else /tmp (both sticky and world-writable).
    static std::string SystemDirectory();

  private:
    int m_fd = -1;
};

}  // namespace orbix
