#include "app/ctl/doctor_checks.h"

#include <arpa/inet.h>
#include <linux/capability.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>

#include "card/card_sysfs.h"
#include "db/gbk_scan.h"
#include "db/profile_file.h"
#include "platform/instance_lock.h"
#include "platform/net_interface.h"
#include "platform/stream_port.h"
#include "search/stream_interface.h"

namespace orbix::ctl {
namespace {

namespace fs = std::filesystem;

CheckResult Ok(std::string check, std::string detail) {
    return {CheckLevel::Ok, std::move(check), std::move(detail), {}};
}
CheckResult Warn(std::string check, std::string detail, std::string fix = {}) {
    return {CheckLevel::Warning, std::move(check), std::move(detail), std::move(fix)};
}
CheckResult Fail(std::string check, std::string detail, std::string fix = {}) {
    return {CheckLevel::Fail, std::move(check), std::move(detail), std::move(fix)};
}

std::string Hex4(unsigned value) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%04X", value);
    return text;
}

std::string Joined(const std::vector<std::string>& parts, const char* separator) {
    std::string text;
    for (const std::string& part : parts) text += (text.empty() ? "" : separator) + part;
    return text;
}

// --- the card

CheckResult CheckCard(const DoctorSetup& setup) {
    if (setup.backend == "simulated")
        return Ok("card", "simulated card in the program itself, no PCI device needed");
    if (setup.backend != "hardware") {
        return Fail("card", "ORBIXRX_CARD=" + setup.backend + " is not a card back end",
                    "export ORBIXRX_CARD=hardware");
    }
    const SysfsPciScan scan = ScanSysfsForCard(setup.sysfsRoot);
    if (!scan.present) {
        return Warn("card", setup.sysfsRoot +
                                "/bus/pci/devices cannot be listed; start-up will scan the PCI "
                                "configuration ports instead");
    }
    const SysfsPciCard* card = scan.Chosen();
    if (card == nullptr) {
        std::string detail = scan.matches.empty()
                                 ? "no PCI function 3568:8139 in " + setup.sysfsRoot
                                 : "PCI " + scan.matches.back().address + " has no I/O window";
        if (!scan.problems.empty()) detail += "; " + Joined(scan.problems, "; ");
        return Fail("card", detail, "lspci -nn -d 3568:8139 -v");
    }
    const std::string found = "hardware: PCI " + card->address + ", I/O base " +
                              Hex4(card->ioBase) + ", driver " +
                              (card->driver.empty() ? "none" : card->driver);
    if (card->driver.empty())
        return Warn("card", found + "; without a driver the card has no network interface");
    return Ok("card", found);
}

// --- the capability on the binaries, as getcap shows it

bool HasRawIo(const std::string& path) {
    vfs_cap_data data{};
    const ssize_t size = ::getxattr(path.c_str(), "security.capability", &data, sizeof data);
    if (size < static_cast<ssize_t>(XATTR_CAPS_SZ_1)) return false;
    const bool effective = (data.magic_etc & VFS_CAP_FLAGS_EFFECTIVE) != 0;
    return effective && (data.data[0].permitted & (1u << CAP_SYS_RAWIO)) != 0;
}

CheckResult CheckCapability(const DoctorSetup& setup) {
    if (setup.backend != "hardware")
        return Ok("capability", "not needed: the simulated card uses no port I/O");
    if (::geteuid() == 0) return Ok("capability", "run as root: CAP_SYS_RAWIO is there");
    std::vector<std::string> missing, fixes;
    for (const std::string& binary : setup.binaries) {
        if (HasRawIo(binary)) continue;
        missing.push_back(binary);
        fixes.push_back("sudo setcap cap_sys_rawio+ep " + binary);
    }
    if (missing.empty())
        return Ok("capability", "cap_sys_rawio=ep on " + Joined(setup.binaries, ", "));
    return Fail("capability", "no cap_sys_rawio=ep on " + Joined(missing, ", "),
                Joined(fixes, " && "));
}

// --- the instance lock

CheckResult CheckInstanceLock(const DoctorSetup& setup) {
    const std::string directory =
        setup.lockDirectory.empty() ? CInstanceLock::SystemDirectory() : setup.lockDirectory;
    CInstanceLock lock;
    if (!lock.Acquire("orbixrx", directory)) {
        return Warn("instance lock", directory +
                                         "/orbixrx.lock is held: OrbixRx or orbixctl runs; "
                                         "another start is refused until it ends");
    }
    return Ok("instance lock", directory + "/orbixrx.lock is free");
}

// --- the stream's interface

std::string SysctlName(std::string name) {
    for (char& c : name)
        if (c == '.') c = '/';
    return name;
}

CheckResult CheckInterface(const StreamInterfaceChoice& choice, const NetInterfaceState& state,
                           const DoctorSetup& setup) {
    if (choice.name.empty()) {
        if (setup.backend != "hardware")
            return Ok("interface", "none set: the simulated card sends on the loopback");
        return Fail("interface",
                    "the card lists no network interface in sysfs and SATSETUPL.ini names none "
                    "(Interface= in section [Stream])");
    }
    const std::string named = choice.name + " (from " + choice.source + ")";
    if (!state.present) {
        return Fail("interface", named + " does not exist; `ip -br link` lists those that do");
    }
    if (!state.up) {
        return Fail("interface", named + " is down", "sudo ip link set " + choice.name + " up");
    }
    if (state.addresses.empty()) {
        return Fail("interface", named + " is up but has no IPv4 address",
                    "sudo ip addr add ADDRESS/PREFIX dev " + choice.name);
    }
    return Ok("interface", named + " is up, " + Joined(state.addresses, ", "));
}

// Without an interface the simulated card streams on the loopback, where
// neither check has anything to find; the hardware card then has no stream.
std::optional<CheckResult> WithoutInterface(const char* check, const StreamInterfaceChoice& choice,
                                            const DoctorSetup& setup) {
    if (!choice.name.empty()) return std::nullopt;
    if (setup.backend == "hardware") return Warn(check, "not tried: no interface is known");
    return std::nullopt;
}

CheckResult CheckReversePath(const StreamInterfaceChoice& choice, const DoctorSetup& setup) {
    if (auto skipped = WithoutInterface("rp_filter", choice, setup)) return *skipped;
    if (choice.name.empty()) return Ok("rp_filter", "not used on the loopback");
    const std::optional<int> filter = ReversePathFilter(choice.name, setup.procRoot);
    const std::string fix =
        "sudo sysctl -w net.ipv4.conf." + SysctlName(choice.name) + ".rp_filter=2";
    if (!filter) return Warn("rp_filter", "cannot read it for " + choice.name, fix);
    if (*filter == 1) {
        return Fail("rp_filter",
                    "strict on " + choice.name + ": datagrams from the card's address are dropped",
                    fix);
    }
    return Ok("rp_filter", std::string(*filter == 0 ? "off" : "loose") + " on " + choice.name);
}

// --- one broadcast datagram to the stream port

struct Socket {
    int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    ~Socket() {
        if (fd >= 0) ::close(fd);
    }
};

// Waits for the datagram that carries payload; the card's own stream may
// arrive on the same port meanwhile.
bool Arrives(int fd, const std::string& payload, int timeoutMs) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    char buffer[2048];
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            end - std::chrono::steady_clock::now());
        pollfd wait{fd, POLLIN, 0};
        if (left.count() <= 0 || ::poll(&wait, 1, static_cast<int>(left.count())) <= 0)
            return false;
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, MSG_DONTWAIT);
        if (n == static_cast<ssize_t>(payload.size()) &&
            payload.compare(0, payload.size(), buffer, payload.size()) == 0)
            return true;
    }
}

CheckResult CheckBroadcast(const StreamInterfaceChoice& choice, const NetInterfaceState& state,
                           const DoctorSetup& setup) {
    if (auto skipped = WithoutInterface("broadcast", choice, setup)) return *skipped;
    const std::string port = std::to_string(setup.streamPort);
    const std::string destination = choice.name.empty() ? "127.255.255.255" : state.broadcast;
    if (!choice.name.empty() && !state.up)
        return Fail("broadcast",
                    "not tried: " + choice.name + (state.present ? " is down" : " does not exist"));
    if (destination.empty()) {
        return Fail("broadcast", "not tried: " + choice.name + " has no IPv4 broadcast address",
                    "sudo ip addr change ADDRESS/PREFIX brd + dev " + choice.name);
    }
    Socket receiver, sender;
    const int on = 1;
    ::setsockopt(receiver.fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    std::string refused;
    if (!choice.name.empty()) BindSocketToInterface(receiver.fd, choice.name, refused);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(static_cast<std::uint16_t>(setup.streamPort));
    sockaddr_in to = local;
    ::inet_pton(AF_INET, destination.c_str(), &to.sin_addr);
    if (receiver.fd < 0 || sender.fd < 0 ||
        ::bind(receiver.fd, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
        return Fail("broadcast", "cannot listen on UDP port " + port + ": " + std::strerror(errno));
    }
    ::setsockopt(sender.fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
    const std::string payload = "orbixctl doctor " + std::to_string(::getpid());
    if (::sendto(sender.fd, payload.data(), payload.size(), 0,
                 reinterpret_cast<const sockaddr*>(&to), sizeof to) < 0) {
        return Fail("broadcast",
                    "cannot send to " + destination + ":" + port + ": " + std::strerror(errno));
    }
    const std::string sent = "a datagram to " + destination + ":" + port;
    if (Arrives(receiver.fd, payload, setup.probeTimeoutMs))
        return Ok("broadcast", sent + " arrived" + (refused.empty() ? "" : " (on any interface)"));
    const std::string on_if = choice.name.empty() ? "" : "iifname \"" + choice.name + "\" ";
    return Fail(
        "broadcast", sent + " did not arrive: a firewall drops the stream",
        "sudo nft insert rule inet filter input " + on_if + "udp dport " + port + " accept");
}

// --- the files

CheckResult CheckImage(const DoctorSetup& setup) {
    std::ifstream in(setup.imagePath, std::ios::binary);
    if (!in) return Fail("conwh.ocx", setup.imagePath + ": " + std::strerror(errno));
    const auto size = std::distance(std::istreambuf_iterator<char>(in), {});
    if (size == 0) return Fail("conwh.ocx", setup.imagePath + " is empty");
    return Ok("conwh.ocx", setup.imagePath + " readable, " + std::to_string(size) + " bytes");
}

// Well-formed: GBK text whose satellite list names sections that exist.
std::string DatabaseFault(const std::string& text, const IProfile& profile) {
    if (!gbk::IsValid(text)) return "is not GBK text";
    const int count = profile.ReadInt("Main", "NUM", -1);
    if (count < 0) return "has no satellite count (NUM in [Main])";
    for (int k = 1; k <= count; ++k) {
        const std::string key = "SAT" + std::to_string(k);
        const std::string name = profile.ReadString("Main", key, "NOT FIND", 64);
        if (name == "NOT FIND")
            return "lists " + std::to_string(count) + " satellites but no " + key;
        if (profile.ReadSection(name, 64).empty())
            return "lists satellite " + key + " but has no section for it";
    }
    return {};
}

CheckResult CheckDatabase(const DoctorSetup& setup) {
    const std::string& path = setup.databasePath;
    std::error_code error;
    if (!fs::exists(path, error)) {
        return Warn(
            "SATSETUPL.ini",
            path + " is absent; the program writes the default database at its first start");
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) return Fail("SATSETUPL.ini", path + " cannot be read: " + std::strerror(errno));
    const std::string text{std::istreambuf_iterator<char>(in), {}};
    // Every write replaces the file, so the folder must take a new one too.
    const fs::path folder = fs::absolute(path, error).parent_path();
    if (::access(path.c_str(), W_OK) != 0 || ::access(folder.c_str(), W_OK) != 0)
        return Fail("SATSETUPL.ini", path + " or its folder cannot be written",
                    "sudo chown $(id -un) " + path + " " + folder.string());
    const std::string fault = DatabaseFault(text, CMemoryProfile(text));
    if (!fault.empty()) return Fail("SATSETUPL.ini", path + " " + fault);
    return Ok("SATSETUPL.ini", path + " readable, writable and well-formed");
}

std::vector<std::string> Binaries() {
    std::error_code error;
    const fs::path self = fs::read_symlink("/proc/self/exe", error);
    if (error) return {};
    std::vector<std::string> binaries{self.string()};
    const fs::path program = self.parent_path() / "orbixrx";
    if (fs::exists(program, error)) binaries.push_back(program.string());
    return binaries;
}

}  // namespace

DoctorSetup ProcessDoctorSetup() {
    DoctorSetup setup;
    const char* card = std::getenv("ORBIXRX_CARD");
    if (card != nullptr && *card != '\0') setup.backend = card;
    setup.sysfsRoot = SysfsRoot();
    const char* lockDir = std::getenv("ORBIXRX_LOCK_DIR");
    if (setup.backend != "hardware" && lockDir != nullptr) setup.lockDirectory = lockDir;
    setup.binaries = Binaries();
    setup.streamPort = StreamPort();
    return setup;
}

std::vector<CheckResult> RunDoctorChecks(const DoctorSetup& setup) {
    const CProfileFile settings(setup.databasePath);
    const StreamInterfaceChoice choice =
        ChooseStreamInterface(settings, setup.backend == "hardware", setup.sysfsRoot);
    const NetInterfaceState state = ReadNetInterface(choice.name);
    std::vector<CheckResult> results{CheckCard(setup), CheckCapability(setup),
                                     CheckInstanceLock(setup)};
    results.push_back(CheckInterface(choice, state, setup));
    results.push_back(CheckReversePath(choice, setup));
    results.push_back(CheckBroadcast(choice, state, setup));
    results.push_back(CheckImage(setup));
    results.push_back(CheckDatabase(setup));
    return results;
}

std::string FormatCheck(const CheckResult& result) {
    static constexpr const char* kLevels[] = {"ok", "warning", "fail"};
    char head[48];
    std::snprintf(head, sizeof head, "%-8s%-15s", kLevels[static_cast<int>(result.level)],
                  result.check.c_str());
    return head + result.detail + (result.fix.empty() ? "" : "  fix: " + result.fix);
}

}  // namespace orbix::ctl
