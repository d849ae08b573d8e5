#include "platform/tun_device.h"

#include <fcntl.h>
#include <linux/capability.h>
#include <linux/if_tun.h>
#include <net/if.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/capabilities.h"

namespace orbix {
namespace {

// Brings a freshly made interface up; its address is the administrator's.
void SetUp(const std::string& name) {
    const int s = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (s < 0) return;
    ifreq ifr{};
    std::strncpy(ifr.ifr_name, name.c_str(), IFNAMSIZ - 1);
    if (ioctl(s, SIOCGIFFLAGS, &ifr) == 0) {
        ifr.ifr_flags = static_cast<short>(ifr.ifr_flags | IFF_UP);
        ioctl(s, SIOCSIFFLAGS, &ifr);
    }
    close(s);
}

std::string Why(const std::string& name, bool existed, int error) {
    if (error == EPERM && existed)
        return "TUN interface " + name +
               " belongs to another user; make it yours with: sudo ip tuntap del dev " + name +
               " mode tun && sudo ip tuntap add dev " + name + " mode tun user $USER";
    if (error == EPERM)
        return "no TUN interface " + name + "; make one with: sudo ip tuntap add dev " + name +
               " mode tun user $USER";
    return "TUN interface " + name + ": " + std::strerror(error);
}

}  // namespace

bool ValidInterfaceName(const std::string& name) {
    return !name.empty() && name.size() < IFNAMSIZ &&
           name.find_first_of("/: \t") == std::string::npos && name != "." && name != "..";
}

std::unique_ptr<CTunDevice> CTunDevice::Open(const std::string& name, std::string& error) {
    std::unique_ptr<CTunDevice> device;
    const bool existed = if_nametoindex(name.c_str()) != 0;
    if (!ValidInterfaceName(name)) {
        error = "not an interface name: \"" + name + "\"";
    } else if (const int fd = open("/dev/net/tun", O_RDWR | O_CLOEXEC); fd < 0) {
        error = std::string("/dev/net/tun: ") + std::strerror(errno);
    } else {
        ifreq ifr{};
        ifr.ifr_flags = IFF_TUN | IFF_NO_PI;
        std::strncpy(ifr.ifr_name, name.c_str(), IFNAMSIZ - 1);
        if (ioctl(fd, TUNSETIFF, &ifr) != 0) {
            error = Why(name, existed, errno);
            close(fd);
        } else {
            if (!existed) SetUp(name);
            device.reset(new CTunDevice(fd, name, !existed));
        }
    }
    // Creating the interface was the one use of the capability.
    DropCapability(CAP_NET_ADMIN);
    return device;
}

CTunDevice::~CTunDevice() { close(m_fd); }

bool CTunDevice::Write(std::span<const std::uint8_t> datagram) {
    return write(m_fd, datagram.data(), datagram.size()) == static_cast<ssize_t>(datagram.size());
}

}  // namespace orbix
