#include "search/network_scan.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <span>

#include "db/transponder_merge.h"
#include "platform/text.h"
#include "search/search_texts.h"
#include "search/si_receive.h"

namespace orbix {
namespace {

constexpr double kSameTransponderMhz = 2.0;
constexpr int kUniversalLow = 9750;
constexpr int kUniversalHigh = 10600;
constexpr int kCBandLo = 5150;

std::string Vertical() { return Gbk("垂直"); }
std::string Horizontal() { return Gbk("水平"); }

double Mhz(const SatelliteDelivery& d) { return d.frequency10kHz / 100.0; }

bool IsVerticalLike(const SatelliteDelivery& d) {
    return d.polarisation == 1 || d.polarisation == 3;
}

bool IsDvbS(const SatelliteDelivery& d) {
    return !d.dvbS2 && (d.modulationType == 0 || d.modulationType == 1);
}

// Vertical and circular right count as "垂直", horizontal and left as "水平".
bool Matches(const SatelliteDelivery& d, const TransponderParams& tp) {
    return std::fabs(Mhz(d) - tp.frequency) <= kSameTransponderMhz &&
           (IsVerticalLike(d) ? Vertical() : Horizontal()) == tp.polarisation;
}

int LeadingInt(const std::string& text) {
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9' || value > 100'000) break;
        value = value * 10 + (c - '0');
    }
    return value;
}

// The LNB the locked transponder's record was made for: universal Ku when
// it uses 9750 or 10600, C band for 5150, else a single-LO Ku LNB.
LnbChoice LnbOfStored(const TransponderParams& locked) {
    const int lo = LeadingInt(locked.lnbFrequency);
    if (lo == kUniversalLow || lo == kUniversalHigh) return {LnbChoice::Kind::UniversalKu, 0};
    if (lo == kCBandLo) return {LnbChoice::Kind::CBand, 0};
    return {LnbChoice::Kind::SingleLo, lo};
}

TransponderParams RecordOf(const SatelliteDelivery& d, const TransponderParams& locked) {
    TuningEntry entry;
    entry.frequencyKhz = d.frequency10kHz * 10;
    entry.symbolRate = d.symbolRate100 * 100;
    entry.polarisation = IsVerticalLike(d) ? Polarisation::Vertical : Polarisation::Horizontal;
    entry.fec = FecFromDescriptorCode(d.fecInner);
    TransponderParams tp = MapTransponder(locked.satellite, entry, LnbOfStored(locked));
    // The same dish: the DiSEqC switch as the locked transponder has it.
    if (!locked.diseqc.empty()) tp.diseqc = locked.diseqc;
    return tp;
}

// Signed tenths of a degree, east positive.
int Position(const SatelliteDelivery& d) {
    return d.east ? d.orbitalPosition : -static_cast<int>(d.orbitalPosition);
}

int SatellitePosition(const std::vector<SatelliteDelivery>& deliveries,
                      const TransponderParams& locked) {
    std::map<int, int> votes;
    for (const SatelliteDelivery& d : deliveries) {
        if (Matches(d, locked)) return Position(d);
        ++votes[Position(d)];
    }
    const auto best = std::ranges::max_element(
        votes, [](const auto& a, const auto& b) { return a.second < b.second; });
    return best == votes.end() ? 0 : best->first;
}

}  // namespace

std::vector<SatelliteDelivery> DeliveriesOf(
    const std::vector<std::vector<std::uint8_t>>& sections) {
    std::vector<SatelliteDelivery> out;
    for (const auto& bytes : sections) {
        const auto nit = ParseNitSection(bytes);
        if (!nit) continue;
        for (const NitTransportStream& ts : nit->streams)
            out.insert(out.end(), ts.deliveries.begin(), ts.deliveries.end());
    }
    return out;
}

NetworkPlan PlanNetworkTransponders(const std::vector<SatelliteDelivery>& deliveries,
                                    const std::vector<TransponderParams>& stored,
                                    const TransponderParams& locked) {
    NetworkPlan plan;
    const int position = SatellitePosition(deliveries, locked);
    std::vector<TransponderParams> known = stored;
    for (const SatelliteDelivery& d : deliveries) {
        if (Position(d) != position) {
            ++plan.counts.skippedPosition;
        } else if (!IsDvbS(d)) {
            ++plan.counts.skippedS2;
        } else if (std::ranges::any_of(known, [&](const auto& tp) { return Matches(d, tp); })) {
            ++plan.counts.known;
        } else {
            plan.add.push_back(RecordOf(d, locked));
            known.push_back(plan.add.back());
            ++plan.counts.added;
        }
    }
    return plan;
}

std::vector<TransponderParams> StoredTransponders(const CChannelDatabase& database,
                                                  const std::string& satellite) {
    std::vector<TransponderParams> out;
    const int n = database.CountTransponders(satellite);
    for (int k = 1; k <= n; ++k) {
        const std::string record = database.ReadTransponderRecord(satellite, k);
        if (record == CChannelDatabase::kNotFound) continue;
        TransponderParams tp;
        CChannelDatabase::ParseTransponderRecord(record, tp);
        tp.satellite = satellite;
        out.push_back(std::move(tp));
    }
    return out;
}

std::string NetworkScanSummary(const NetworkScanCounts& c) {
    return Gbk(FillTemplate(texts::kNetworkScanDone,
                            {std::to_string(c.added), std::to_string(c.known),
                             std::to_string(c.skippedS2), std::to_string(c.skippedPosition)}));
}

NetworkScanResult RunNetworkScan(const NetworkScanRequest& r) {
    NetworkScanResult result;
    if (!r.receiver.Create()) return {false, {}, Gbk("无法建立网络接收")};
    if (!r.receiver.Bind(r.port)) {
        if (r.receiver.IsOpen()) r.receiver.Close();
        return {false, {}, Gbk("无法打开接收端口")};
    }
    // With the PAT, so that the card's seven-packet datagrams fill quickly.
    const std::array<PatEntry, 2> pids{{{1, kNitPid}, {2, 0}}};
    r.filter.SetPmtPids(pids);
    r.receiver.Discard();
    const TableWait wait{r.receiver, r.clock, r.stop, kNitWaitMs,
                         [&r](int ms) { r.receiver.LimitWait(ms); }};
    const auto sections = ReceiveTable(wait, kNitPid, kNitActualTableId);
    r.receiver.Close();
    if (sections.empty()) return {false, {}, Gbk("没有收到网络信息表")};
    const std::vector<TransponderParams> stored = StoredTransponders(r.database, r.satellite);
    TransponderParams locked;
    r.database.ReadTransponder(r.satellite, r.transponder, locked);
    const NetworkPlan plan = PlanNetworkTransponders(DeliveriesOf(sections), stored, locked);
    const MergeReport merged = MergeTransponders(r.database, r.satellite, plan.add);
    if (merged.outcome != MergeOutcome::Done) return {false, plan.counts, merged.message};
    NetworkScanCounts counts = plan.counts;
    // What the merge found stored after all (a name taken by another record).
    counts.known += counts.added - merged.added;
    counts.added = merged.added;
    return {true, counts, NetworkScanSummary(counts)};
}

}  // namespace orbix
