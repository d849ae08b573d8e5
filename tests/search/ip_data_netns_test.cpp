// IP data from the simulated card's stream into a TUN interface and out of
// a UDP socket, inside a network namespace of the test's own: nothing it
// sends can leave it. Needs root (or a user namespace with CAP_NET_ADMIN)
// and /dev/net/tun; skips with the reason otherwise.
#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/capability.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <optional>

#include "platform/capabilities.h"
#include "platform/tun_device.h"
#include "search/ip_data_receiver.h"
#include "sim/mpe_source.h"
#include "sim/stream_output.h"

namespace orbix {
namespace {

constexpr const char* kTun = "orbixe2e";
constexpr std::uint16_t kIpPid = 1280;  // the "ipdata" preset's PID

// Why the namespace cannot be had here, or nothing.
std::optional<std::string> EnterOwnNetwork() {
    if (access("/dev/net/tun", R_OK | W_OK) != 0) return "no usable /dev/net/tun";
    if (unshare(CLONE_NEWNET) != 0)
        return std::string("unshare(CLONE_NEWNET): ") + std::strerror(errno);
    const std::string setup = std::string("ip link set lo up && ip tuntap add dev ") + kTun +
                              " mode tun && ip addr add 10.77.0.1/24 dev " + kTun +
                              " && ip link set " + kTun + " up";
    if (std::system(setup.c_str()) != 0) return "ip could not set up " + std::string(kTun);
    return std::nullopt;
}

int UdpSocket() {
    const int s = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    const int size = 8 << 20;
    setsockopt(s, SOL_SOCKET, SO_RCVBUFFORCE, &size, sizeof size);
    const timeval timeout{0, 200'000};
    setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(sim::IpDataPlan{}.port);
    if (bind(s, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) return -1;
    ip_mreq group{};
    inet_pton(AF_INET, "239.77.0.1", &group.imr_multiaddr);
    inet_pton(AF_INET, "10.77.0.1", &group.imr_interface);
    if (setsockopt(s, IPPROTO_IP, IP_ADD_MEMBERSHIP, &group, sizeof group) != 0) return -1;
    return s;
}

TEST(IpDataNamespace, EveryDatagramArrivesWholeOnASocket) {
    if (const auto why = EnterOwnNetwork())
        GTEST_SKIP() << "no network namespace for the test: " << *why;
    // Only the loopback and the TUN interface exist in here.
    std::vector<std::string> interfaces;
    if (struct if_nameindex* list = if_nameindex()) {
        for (const struct if_nameindex* i = list; i->if_index != 0; ++i)
            interfaces.push_back(i->if_name);
        if_freenameindex(list);
    }
    std::sort(interfaces.begin(), interfaces.end());
    ASSERT_EQ(interfaces, (std::vector<std::string>{"lo", kTun}));

    std::string error;
    const auto tun = CTunDevice::Open(kTun, error);
    ASSERT_TRUE(tun) << error;
    const int sink = UdpSocket();
    ASSERT_GE(sink, 0) << std::strerror(errno);

    const int port = 20000 + getpid() % 20000;
    sim::StreamOutputConfig streamConfig;
    streamConfig.port = port;
    sim::CStreamOutput card(
        {[] { return std::array<std::uint16_t, 32>{static_cast<std::uint16_t>(0x2000 | kIpPid)}; },
         [] { return std::uint8_t{3}; }},
        [] {
            return std::optional<sim::LockedStream>{{"Sat/IP", "ipdata", 0}};
        },
        streamConfig);
    CIpDataReceiver receiver(*tun);
    ASSERT_TRUE(receiver.Start({kIpPid}, MacFilter{false, sim::kSimUnicastMac}, port, error))
        << error;
    ASSERT_TRUE(card.Start(error)) << error;

    constexpr int kWanted = 600;
    std::optional<std::uint32_t> first;
    std::uint32_t last = 0;
    int received = 0, wrong = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    std::vector<std::uint8_t> buffer(2048);
    while (received < kWanted && std::chrono::steady_clock::now() < deadline) {
        const ssize_t n = recv(sink, buffer.data(), buffer.size(), 0);
        if (n <= 0) continue;
        std::uint32_t seq = 0;
        const std::span<const std::uint8_t> payload(buffer.data(), static_cast<std::size_t>(n));
        if (!sim::CheckPatternPayload(payload, seq) ||
            payload.size() != sim::CMpeTraffic::PayloadSize(seq) || (first && seq != last + 1)) {
            ++wrong;
        }
        if (!first) first = seq;
        last = seq;
        ++received;
    }
    card.Stop();
    receiver.Stop();
    close(sink);
    ASSERT_TRUE(first) << "no datagram arrived";
    EXPECT_EQ(received, kWanted);
    EXPECT_EQ(wrong, 0) << "datagrams changed, out of order or lost";
    EXPECT_EQ(last - *first + 1, static_cast<std::uint32_t>(received)) << "lost datagrams";
    const IpDataCounters c = receiver.Counters();
    EXPECT_GE(c.mpe.datagrams, static_cast<std::uint64_t>(kWanted));
    EXPECT_EQ(c.Drops(), 0u);
}

// In a child process, whose capabilities the test can spend: exit code 0
// when the check held, 77 when no namespace could be had.
int InChild(const std::function<bool()>& check) {
    const pid_t child = fork();
    if (child == 0) {
        if (unshare(CLONE_NEWNET) != 0 || access("/dev/net/tun", R_OK | W_OK) != 0) _exit(77);
        _exit(check() ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 2;
}

TEST(IpDataNamespace, CreatesTheInterfaceOnlyWithTheCapabilityAndGivesItUp) {
    struct Case {
        const char* name;
        bool dropFirst;
        std::function<bool(CTunDevice*, const std::string&)> expect;
    };
    const Case cases[] = {
        {"with CAP_NET_ADMIN: made, up, and the capability gone", false,
         [](CTunDevice* tun, const std::string&) {
             ifreq ifr{};
             std::strncpy(ifr.ifr_name, "orbixnew", IFNAMSIZ - 1);
             const int s = socket(AF_INET, SOCK_DGRAM, 0);
             const bool up = ioctl(s, SIOCGIFFLAGS, &ifr) == 0 && (ifr.ifr_flags & IFF_UP) != 0;
             return tun && tun->Created() && up && !HoldsCapability(CAP_NET_ADMIN);
         }},
        {"without: refused, with the command that makes it", true,
         [](CTunDevice* tun, const std::string& error) {
             return !tun &&
                    error.find("ip tuntap add dev orbixnew mode tun user") != std::string::npos;
         }},
    };
    if (!HoldsCapability(CAP_NET_ADMIN))
        GTEST_SKIP() << "no CAP_NET_ADMIN in this process (an earlier test here gave it up, or it "
                        "never had it)";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const int code = InChild([&] {
            if (c.dropFirst && !DropCapability(CAP_NET_ADMIN)) return false;
            std::string error;
            const auto tun = CTunDevice::Open("orbixnew", error);
            return c.expect(tun.get(), error);
        });
        if (code == 77) GTEST_SKIP() << "no network namespace for the test";
        EXPECT_EQ(code, 0);
    }
}

}  // namespace
}  // namespace orbix
