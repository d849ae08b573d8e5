#include "search/si_receive.h"

#include <algorithm>
#include <array>
#include <span>

#include "search/psi.h"
#include "search/si_tables.h"

namespace orbix {
namespace {

// Receives that time out in a row before the stream counts as silent.
constexpr int kSilentReceives = 2;
// Bound on datagrams of one wait, for sources that never run dry.
constexpr int kDatagramLimit = 20'000;

}  // namespace

std::vector<std::vector<std::uint8_t>> ReceiveTable(const TableWait& wait, std::uint16_t pid,
                                                    std::uint8_t tableId) {
    CSectionCollector collector(pid);
    CTableGatherer table(tableId);
    std::array<std::uint8_t, kDatagramSize> datagram{};
    std::vector<std::vector<std::uint8_t>> sections;
    const std::int64_t start = wait.clock.NowMs();
    int silent = 0;
    for (int k = 0; k < kDatagramLimit && silent < kSilentReceives; ++k) {
        const std::int64_t left = wait.timeoutMs - (wait.clock.NowMs() - start);
        if (left <= 0 || wait.stop.Requested()) break;
        if (wait.limitWait) wait.limitWait(static_cast<int>(std::min<std::int64_t>(left, 1 << 30)));
        datagram.fill(0);
        const int received = wait.source.Receive(datagram.data(), kDatagramSize);
        if (received <= 0) {
            ++silent;
            continue;
        }
        silent = 0;
        const int packets = std::min(received, kDatagramSize) / kTsPacketSize;
        for (int p = 0; p < packets; ++p) {
            sections.clear();
            collector.Feed(std::span<const std::uint8_t>(datagram).subspan(
                               static_cast<std::size_t>(p) * kTsPacketSize, kTsPacketSize),
                           sections);
            for (const auto& s : sections) table.Add(s);
        }
        if (table.Complete()) return table.Sections();
    }
    return {};
}

}  // namespace orbix
