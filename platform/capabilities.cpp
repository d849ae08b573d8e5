#include "platform/capabilities.h"

#include <linux/capability.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <array>

namespace orbix {
namespace {

using CapData = std::array<__user_cap_data_struct, _LINUX_CAPABILITY_U32S_3>;

bool GetCaps(CapData& data) {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    return syscall(SYS_capget, &header, data.data()) == 0;
}

bool SetCaps(CapData& data) {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    return syscall(SYS_capset, &header, data.data()) == 0;
}

class CProcessCapabilities final : public ICapabilities {
  public:
    bool DropRawIo() override { return DropCapability(CAP_SYS_RAWIO); }
    bool HoldsRawIo() const override { return HoldsCapability(CAP_SYS_RAWIO); }
};

}  // namespace

// Every capability used here is below 32, so it lives in the first of the
// two words.
bool DropCapability(int capability) {
    // The ambient set would carry the capability across exec into the
    // player; lowering it needs no privilege. Older kernels without
    // ambient sets answer EINVAL, which leaves nothing to drop.
    prctl(PR_CAP_AMBIENT, PR_CAP_AMBIENT_LOWER, capability, 0, 0);
    // Run as root, every program started later would get the capability
    // back from the root rule unless the bounding set loses it. That
    // needs CAP_SETPCAP, which a binary given only this capability lacks,
    // so EPERM is expected there and harmless: its children get nothing.
    prctl(PR_CAPBSET_DROP, capability, 0, 0, 0);
    CapData data{};
    if (capability < 0 || capability >= 32 || !GetCaps(data)) return false;
    const unsigned bit = 1u << capability;
    data[0].effective &= ~bit;
    data[0].permitted &= ~bit;
    data[0].inheritable &= ~bit;
    // Lowering one's own sets is always allowed; check anyway, since the
    // caller relies on the capability being gone.
    return SetCaps(data) && !HoldsCapability(capability);
}

bool HoldsCapability(int capability) {
    CapData data{};
    if (capability < 0 || capability >= 32 || !GetCaps(data))
        return true;  // unknown counts as held
    return ((data[0].effective | data[0].permitted | data[0].inheritable) & (1u << capability)) !=
           0;
}

std::unique_ptr<ICapabilities> MakeProcessCapabilities() {
    return std::make_unique<CProcessCapabilities>();
}

}  // namespace orbix
