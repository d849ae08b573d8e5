#include "platform/capabilities.h"

#include <linux/capability.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <array>

namespace orbix {
namespace {

// CAP_SYS_RAWIO is below 32, so it lives in the first of the two words.
constexpr unsigned kRawIoBit = 1u << CAP_SYS_RAWIO;
static_assert(CAP_SYS_RAWIO < 32);

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
    bool DropRawIo() override {
        // The ambient set would carry the capability across exec into the
        // player; lowering it needs no privilege. Older kernels without
        // ambient sets answer EINVAL, which leaves nothing to drop.
        prctl(PR_CAP_AMBIENT, PR_CAP_AMBIENT_LOWER, CAP_SYS_RAWIO, 0, 0);
        // Run as root, every program started later would get the capability
        // back from the root rule unless the bounding set loses it. That
        // needs CAP_SETPCAP, which a binary given only cap_sys_rawio lacks,
        // so EPERM is expected there and harmless: its children get nothing.
        prctl(PR_CAPBSET_DROP, CAP_SYS_RAWIO, 0, 0, 0);
        CapData data{};
        if (!GetCaps(data)) return false;
        data[0].effective &= ~kRawIoBit;
        data[0].permitted &= ~kRawIoBit;
        data[0].inheritable &= ~kRawIoBit;
        // Lowering one's own sets is always allowed; check anyway, since the
        // caller relies on the capability being gone.
        return SetCaps(data) && !HoldsRawIo();
    }

    bool HoldsRawIo() const override {
        CapData data{};
        if (!GetCaps(data)) return true;  // unknown counts as held
        return ((data[0].effective | data[0].permitted | data[0].inheritable) & kRawIoBit) != 0;
    }
};

}  // namespace

std::unique_ptr<ICapabilities> MakeProcessCapabilities() {
    return std::make_unique<CProcessCapabilities>();
}

}  // namespace orbix
