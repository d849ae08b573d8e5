#pragma once

#include <string>

#include "db/channel_database.h"

namespace orbix {

// Where received IP data goes, kept in section "IPDATA" of the channel
// database file: the TUN interface ("TUN") and the MAC filter ("MAC": empty
// or absent for every section, else the receiver's own unicast address).
struct IpDataSettings {
    std::string tun;
    std::string mac;
};

IpDataSettings ReadIpDataSettings(const std::string& path = CChannelDatabase::kDefaultPath);
bool WriteIpDataSettings(const IpDataSettings& settings,
                         const std::string& path = CChannelDatabase::kDefaultPath);

}  // namespace orbix
