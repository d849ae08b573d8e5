#include <gtest/gtest.h>

#include <array>
#include <tuple>
#include <vector>

#include "search/pid_stats.h"
#include "search/stream_watchdog.h"

namespace orbix {
namespace {

// One packet's header as the counter check sees it.
struct Packet {
    bool payload = true;
    bool discontinuity = false;
    int counter = 0;
};

TEST(ContinuityCheck, FollowsThePriorityOneRule) {
    const Packet P0{true, false, 0}, P1{true, false, 1}, P2{true, false, 2}, P3{true, false, 3};
    struct Case {
        const char* name;
        std::vector<Packet> packets;
        std::vector<bool> errors;
    } cases[] = {
        {"in order, wrapping at 16",
         {{true, false, 14}, {true, false, 15}, P0, P1},
         {false, false, false, false}},
        {"a gap", {P0, P1, P3, {true, false, 4}}, {false, false, true, false}},
        {"one duplicate is allowed", {P0, P1, P1, P2}, {false, false, false, false}},
        {"a packet's third appearance is not",
         {P0, P1, P1, P1, P2},
         {false, false, false, true, false}},
        {"a duplicate after a duplicate of another is allowed",
         {P0, P0, P1, P1},
         {false, false, false, false}},
        {"the discontinuity indicator starts afresh",
         {P0, P1, {true, true, 9}, {true, false, 10}},
         {false, false, false, false}},
        {"adaptation-only packets keep the counter",
         {P0, {false, false, 0}, {false, false, 7}, P1},
         {false, false, false, false}},
        {"going back is an error", {P0, P1, P2, P1}, {false, false, false, true}},
    };
    for (const Case& c : cases) {
        CContinuityCheck check;
        std::vector<bool> errors;
        for (const Packet& p : c.packets)
            errors.push_back(check.Check(p.payload, p.discontinuity, p.counter));
        EXPECT_EQ(errors, c.errors) << c.name;
    }
}

std::array<std::uint8_t, 188> MakePacket(std::uint16_t pid, int counter, std::uint8_t flags = 0) {
    std::array<std::uint8_t, 188> p{};
    p.fill(0xFF);
    p[0] = 0x47;
    p[1] = static_cast<std::uint8_t>(flags | (pid >> 8));
    p[2] = static_cast<std::uint8_t>(pid & 0xFF);
    p[3] = static_cast<std::uint8_t>(0x10 | (counter & 0x0F));
    return p;
}

std::vector<std::uint8_t> Datagram(const std::vector<std::array<std::uint8_t, 188>>& packets) {
    std::vector<std::uint8_t> out;
    for (const auto& p : packets) out.insert(out.end(), p.begin(), p.end());
    return out;
}

TEST(PidStatistics, CountsPerPidRatesErrorsAndMalformedDatagrams) {
    CPidStatistics stats;
    const std::uint16_t watched[] = {0x100, 0x200};
    stats.Watch(watched);
    auto scrambled = MakePacket(0x101, 0);
    scrambled[3] |= 0x80;
    // One second of datagrams: 0x100 in order with a gap, a damaged 0x101.
    stats.OnDatagram(Datagram({MakePacket(0x100, 0), MakePacket(0x100, 1), scrambled}), 0);
    stats.OnDatagram(Datagram({MakePacket(0x100, 3), MakePacket(0x101, 5, 0x80)}), 500);
    auto short_ = Datagram({MakePacket(0x100, 4)});
    short_.pop_back();
    stats.OnDatagram(short_, 900);  // cut short: malformed, its whole packets none
    auto noSync = Datagram({MakePacket(0x100, 4), MakePacket(0x100, 5)});
    noSync[188] = 0x00;
    stats.OnDatagram(noSync, 1000);  // the good packet counts, the datagram is malformed

    const PidStatsSnapshot s = stats.Snapshot(1000);
    EXPECT_EQ(std::tuple(s.datagrams, s.malformedDatagrams, s.datagramsPerSecond),
              std::tuple(4u, 2u, 4.0));
    ASSERT_EQ(s.rows.size(), 3u);
    const PidStatsRow &a = s.rows[0], &b = s.rows[1], &c = s.rows[2];
    EXPECT_EQ(
        std::tuple(a.pid, a.packets, a.ccErrors, a.packetsPerSecond, a.bitsPerSecond, a.lastSeenMs),
        std::tuple(0x100, 4u, 1u, 4.0, 4.0 * 188 * 8, 1000));
    // A damaged packet's counter is not judged; the last packet was clear.
    EXPECT_EQ(std::tuple(b.pid, b.transportErrors, b.ccErrors, b.scrambled),
              std::tuple(0x101, 1u, 0u, false));
    EXPECT_EQ(std::tuple(c.pid, c.packets, c.lastSeenMs), std::tuple(0x200, 0u, -1));  // never seen
}

TEST(PidStatistics, RatesHoldUntilAWholeSecondHasPassed) {
    CPidStatistics stats;
    stats.OnDatagram(Datagram({MakePacket(0x100, 0)}), 0);
    EXPECT_DOUBLE_EQ(stats.Snapshot(400).rows.at(0).packetsPerSecond, 0.0);
    stats.OnDatagram(Datagram({MakePacket(0x100, 1)}), 600);
    EXPECT_DOUBLE_EQ(stats.Snapshot(2000).rows.at(0).packetsPerSecond, 1.0);
    EXPECT_DOUBLE_EQ(stats.Snapshot(2500).rows.at(0).packetsPerSecond, 1.0);
    EXPECT_DOUBLE_EQ(stats.Snapshot(3000).rows.at(0).packetsPerSecond, 0.0);
}

TEST(StreamWatchdog, WarnsAfterFiveSilentSecondsOnlyWhileDataIsExpected) {
    CVirtualClock clock;
    CStreamWatchdog dog(clock);
    EXPECT_FALSE(dog.SeenSince(0));
    EXPECT_EQ(dog.LastDatagramMs(), -1);
    struct Step {
        std::int64_t advanceMs;
        bool locked, pids, datagram;
        bool noData;
    } steps[] = {
        {0, true, false, false, false},     // locked, no PIDs: not a fault
        {9000, true, false, false, false},  // however long
        {0, true, true, false, false},      // PIDs set: the silence counts from now
        {4999, true, true, false, false},
        {1, true, true, false, true},  // five seconds
        {0, true, true, true, false},  // data returns
        {4000, true, true, false, false},
        {1000, true, true, false, true},   // five seconds after the last datagram
        {0, false, true, false, false},    // lock lost: not this fault
        {1000, true, true, false, false},  // locked again: a new five seconds
        {5000, true, true, false, true},
        {0, true, false, false, false},  // PIDs cleared
    };
    int i = 0;
    for (const Step& s : steps) {
        clock.Advance(s.advanceMs);
        if (s.datagram) dog.OnDatagram();
        EXPECT_EQ(dog.NoData(s.locked, s.pids), s.noData) << "step " << i;
        ++i;
    }
    // The last datagram came at 9000 + 5000 ms.
    EXPECT_TRUE(dog.SeenSince(14'000));
    EXPECT_FALSE(dog.SeenSince(14'001));
}

}  // namespace
}  // namespace orbix
