#pragma once

#include <memory>

namespace orbix {

// The process's privileges beyond an ordinary user's. The hardware card
// needs CAP_SYS_RAWIO only to enable its ports; once they are enabled the
// permission stays with the process and the capability is given up, so that
// the workers, the player and everything started later run without it.
class ICapabilities {
  public:
    virtual ~ICapabilities() = default;

    // Removes CAP_SYS_RAWIO for good from the calling thread's effective,
    // permitted, inheritable and ambient sets, and from its bounding set
    // where the process may change that (root may, a binary given only
    // cap_sys_rawio may not). Threads and processes started afterwards
    // inherit the reduced sets. False when the capability is still held.
    virtual bool DropRawIo() = 0;

    // Whether the calling thread holds CAP_SYS_RAWIO in any of its
    // effective, permitted or inheritable sets.
    virtual bool HoldsRawIo() const = 0;
};

// Removes one capability (a CAP_* number below 32) for good, the same way
// DropRawIo does; false when it is still held.
bool DropCapability(int capability);
// Whether the calling thread holds it in its effective, permitted or
// inheritable set.
bool HoldsCapability(int capability);

// The calling process's capabilities, through capget and capset.
std::unique_ptr<ICapabilities> MakeProcessCapabilities();

}  // namespace orbix
