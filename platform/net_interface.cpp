#include "platform/net_interface.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstring>
#include <fstream>

namespace orbix {
namespace {

std::string AddressText(const sockaddr* address) {
    char text[INET_ADDRSTRLEN] = "";
    const auto* in = reinterpret_cast<const sockaddr_in*>(address);
    ::inet_ntop(AF_INET, &in->sin_addr, text, sizeof text);
    return text;
}

int PrefixLength(const sockaddr* mask) {
    if (mask == nullptr) return 32;
    const auto* in = reinterpret_cast<const sockaddr_in*>(mask);
    return std::popcount(ntohl(in->sin_addr.s_addr));
}

std::optional<int> ReadNumber(const std::string& path) {
    std::ifstream in(path);
    int value = 0;
    if (!(in >> value)) return std::nullopt;
    return value;
}

}  // namespace

NetInterfaceState ReadNetInterface(const std::string& name) {
    NetInterfaceState state;
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) != 0) return state;
    for (const ifaddrs* entry = list; entry != nullptr; entry = entry->ifa_next) {
        if (name != entry->ifa_name) continue;
        state.present = true;
        state.up = (entry->ifa_flags & IFF_UP) != 0;
        state.running = (entry->ifa_flags & IFF_RUNNING) != 0;
        if (entry->ifa_addr == nullptr || entry->ifa_addr->sa_family != AF_INET) continue;
        state.addresses.push_back(AddressText(entry->ifa_addr) + "/" +
                                  std::to_string(PrefixLength(entry->ifa_netmask)));
        // Without a broadcast address of its own the C library reports the
        // address itself there: that is no broadcast.
        const std::string address = AddressText(entry->ifa_addr);
        if ((entry->ifa_flags & IFF_BROADCAST) && entry->ifa_broadaddr != nullptr &&
            state.broadcast.empty() && AddressText(entry->ifa_broadaddr) != address)
            state.broadcast = AddressText(entry->ifa_broadaddr);
    }
    ::freeifaddrs(list);
    return state;
}

std::optional<int> ReversePathFilter(const std::string& name, const std::string& procRoot) {
    const std::string conf = procRoot + "/sys/net/ipv4/conf/";
    const std::optional<int> all = ReadNumber(conf + "all/rp_filter");
    const std::optional<int> own = ReadNumber(conf + name + "/rp_filter");
    if (!all || !own) return std::nullopt;
    return std::max(*all, *own);
}

bool BindSocketToInterface(int socket, const std::string& name, std::string& error) {
    if (::setsockopt(socket, SOL_SOCKET, SO_BINDTODEVICE, name.c_str(),
                     static_cast<socklen_t>(name.size())) == 0)
        return true;
    error = std::strerror(errno);
    return false;
}

}  // namespace orbix
