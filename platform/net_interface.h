#pragma once

#include <optional>
#include <string>
#include <vector>

namespace orbix {

// A network interface as the kernel reports it now.
struct NetInterfaceState {
    bool present = false;
    bool up = false;                     // administratively up (IFF_UP)
    bool running = false;                // up with a carrier (IFF_RUNNING)
    std::vector<std::string> addresses;  // IPv4, "10.0.0.1/24"
    std::string broadcast;               // the first IPv4 broadcast address, "" for none
};

NetInterfaceState ReadNetInterface(const std::string& name);

// The reverse-path filter that applies to datagrams arriving on the
// interface: the higher of conf/all and conf/NAME (0 off, 1 strict, 2 loose);
// nullopt when procRoot/sys/net/ipv4/conf cannot be read for it.
std::optional<int> ReversePathFilter(const std::string& name,
                                     const std::string& procRoot = "/proc");

// Lets the socket receive only what arrives through the interface. Linux
// allows this without privilege from 5.7 on, before the socket is bound;
// older kernels need CAP_NET_RAW. False with the system's reason.
bool BindSocketToInterface(int socket, const std::string& name, std::string& error);

}  // namespace orbix
