#include "platform/sysfs_pci.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <sstream>

namespace orbix {
namespace fs = std::filesystem;
namespace {

// The resource file lists the six base address registers first, then the
// expansion ROM and bridge windows; only the six are the function's own.
constexpr int kBarLines = 6;
// IORESOURCE_IO in the flags column marks a window in I/O space.
constexpr unsigned long long kIoResourceFlag = 0x100;
constexpr unsigned long long kHighestPort = 0xFFFF;

std::optional<std::string> ReadText(const fs::path& path, std::vector<std::string>& problems) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    std::string text;
    ssize_t n = fd < 0 ? -1 : 0;
    char chunk[512];
    while (fd >= 0 && (n = ::read(fd, chunk, sizeof chunk)) > 0)
        text.append(chunk, static_cast<std::size_t>(n));
    const int error = errno;
    if (fd >= 0) ::close(fd);
    if (n < 0) {
        problems.push_back("cannot read " + path.string() + ": " + std::strerror(error));
        return std::nullopt;
    }
    return text;
}

std::optional<unsigned long> ReadHex(const fs::path& path, std::vector<std::string>& problems) {
    const std::optional<std::string> text = ReadText(path, problems);
    if (!text) return std::nullopt;
    char* end = nullptr;
    const unsigned long value = std::strtoul(text->c_str(), &end, 16);
    if (end == text->c_str()) {
        problems.push_back(path.string() + " holds no number");
        return std::nullopt;
    }
    return value;
}

// The start of the last I/O-space BAR whose window fits in the 16-bit port
// space, as the configuration-port scan keeps the last one too.
std::optional<std::uint16_t> IoBase(const std::string& resource) {
    std::istringstream lines(resource);
    std::string line;
    std::optional<std::uint16_t> base;
    for (int bar = 0; bar < kBarLines && std::getline(lines, line); ++bar) {
        unsigned long long start = 0, end = 0, flags = 0;
        if (std::sscanf(line.c_str(), "%llx %llx %llx", &start, &end, &flags) != 3) continue;
        if ((flags & kIoResourceFlag) == 0 || start == 0 || end > kHighestPort) continue;
        base = static_cast<std::uint16_t>(start);
    }
    return base;
}

std::string LinkName(const fs::path& link) {
    std::error_code error;
    const fs::path target = fs::read_symlink(link, error);
    return error ? std::string{} : target.filename().string();
}

// The entries of a folder, sorted; nullopt when it cannot be listed. Errors
// come back as values: a folder that vanishes half-way ends the list.
std::optional<std::vector<fs::path>> ListFolder(const fs::path& folder) {
    std::error_code error;
    fs::directory_iterator it(folder, error);
    if (error) return std::nullopt;
    std::vector<fs::path> entries;
    for (; !error && it != fs::directory_iterator(); it.increment(error))
        entries.push_back(it->path());
    std::sort(entries.begin(), entries.end());
    return entries;
}

std::vector<std::string> NetInterfaces(const fs::path& function) {
    std::vector<std::string> names;
    for (const fs::path& entry : ListFolder(function / "net").value_or(std::vector<fs::path>{}))
        names.push_back(entry.filename().string());
    return names;
}

void ReadFunction(const fs::path& function, std::uint16_t vendor, std::uint16_t device,
                  SysfsPciScan& scan) {
    const std::optional<unsigned long> v = ReadHex(function / "vendor", scan.problems);
    if (!v || *v != vendor) return;
    const std::optional<unsigned long> d = ReadHex(function / "device", scan.problems);
    if (!d || *d != device) return;
    SysfsPciCard card;
    card.address = function.filename().string();
    if (const std::optional<std::string> resource =
            ReadText(function / "resource", scan.problems)) {
        if (const std::optional<std::uint16_t> base = IoBase(*resource)) {
            card.hasIoBar = true;
            card.ioBase = *base;
        }
    }
    card.driver = LinkName(function / "driver");
    card.netInterfaces = NetInterfaces(function);
    scan.matches.push_back(std::move(card));
}

}  // namespace

const SysfsPciCard* SysfsPciScan::Chosen() const {
    for (auto it = matches.rbegin(); it != matches.rend(); ++it)
        if (it->hasIoBar) return &*it;
    return nullptr;
}

std::string SysfsRoot() {
    const char* root = std::getenv("ORBIXRX_SYSFS_ROOT");
    return (root != nullptr && *root != '\0') ? root : "/sys";
}

SysfsPciScan ScanSysfsPci(const std::string& root, std::uint16_t vendor, std::uint16_t device) {
    SysfsPciScan scan;
    const std::optional<std::vector<fs::path>> functions =
        ListFolder(fs::path(root) / "bus/pci/devices");
    if (!functions) return scan;
    scan.present = true;
    // Addresses are fixed-width hexadecimal, so their sorted order is the
    // domain, bus, device, function order.
    for (const fs::path& function : *functions) ReadFunction(function, vendor, device, scan);
    return scan;
}

}  // namespace orbix
