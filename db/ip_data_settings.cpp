#include "db/ip_data_settings.h"

#include "db/profile_file.h"

namespace orbix {
namespace {

constexpr std::string_view kSection = "IPDATA";
constexpr std::size_t kBuffer = 64;

}  // namespace

IpDataSettings ReadIpDataSettings(const std::string& path) {
    const CProfileFile file(path);
    return {file.ReadString(kSection, "TUN", "", kBuffer),
            file.ReadString(kSection, "MAC", "", kBuffer)};
}

bool WriteIpDataSettings(const IpDataSettings& settings, const std::string& path) {
    CProfileFile file(path);
    return file.Transact([&](IProfile& p) {
        p.WriteString(kSection, "TUN", settings.tun);
        p.WriteString(kSection, "MAC", settings.mac);
    });
}

}  // namespace orbix
