#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "card/pid_filter.h"
#include "db/channel_database.h"
#include "platform/clock.h"
#include "search/si_tables.h"
#include "search/udp_receiver.h"

namespace orbix {

// A network's NIT repeats at least every 10 s.
inline constexpr std::int64_t kNitWaitMs = 12'000;

struct NetworkScanCounts {
    int added = 0;
    int known = 0;            // within 2 MHz of a stored one of the same polarisation
    int skippedS2 = 0;        // DVB-S2 (or 8PSK/16-QAM): beyond this card
    int skippedPosition = 0;  // another orbital position than the locked transponder's
};

// The satellite delivery descriptors of NIT sections, in order.
std::vector<SatelliteDelivery> DeliveriesOf(const std::vector<std::vector<std::uint8_t>>& sections);

// Which of the deliveries are new transponders of the satellite whose
// records are stored (locked among them): records made with the LNB of the
// stored ones, and the counts. The orbital position taken as the
// satellite's is that of the delivery describing the locked transponder,
// else the one most deliveries name.
struct NetworkPlan {
    std::vector<TransponderParams> add;
    NetworkScanCounts counts;
};
NetworkPlan PlanNetworkTransponders(const std::vector<SatelliteDelivery>& deliveries,
                                    const std::vector<TransponderParams>& stored,
                                    const TransponderParams& locked);

// The records of the satellite's transponders, in "TP" order.
std::vector<TransponderParams> StoredTransponders(const CChannelDatabase& database,
                                                  const std::string& satellite);

// The transponders of the NIT of the locked transponder, added to its
// satellite. The receiver is opened, bound to port and closed here.
struct NetworkScanRequest {
    CUdpReceiver& receiver;
    int port;
    CPidFilter& filter;
    CChannelDatabase& database;
    IClock& clock;
    const CStopSignal& stop;
    std::string satellite;    // GBK
    std::string transponder;  // GBK, the locked one
};
struct NetworkScanResult {
    bool ok = false;
    NetworkScanCounts counts;
    std::string messageGbk;  // the outcome, or why it failed
};
NetworkScanResult RunNetworkScan(const NetworkScanRequest& request);

// The outcome as the user reads it.
std::string NetworkScanSummary(const NetworkScanCounts& counts);

}  // namespace orbix
