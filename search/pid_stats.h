#pragma once

#include <cstdint>
#include <mutex>
#include <span>
#include <vector>

namespace orbix {

// The continuity counter of one PID, checked as a stream analyser does at
// priority 1: each packet with payload carries the previous counter + 1
// (mod 16). Not an error: a packet without payload (the counter does not
// move), one repeat of the previous packet's counter (a duplicate), and a
// packet with the discontinuity indicator (the counter starts afresh).
class CContinuityCheck {
  public:
    // Checks one packet's header bytes; true when it breaks the rule.
    bool Check(bool hasPayload, bool discontinuity, int counter);
    void Reset() { *this = {}; }

  private:
    int m_last = -1;
    bool m_repeated = false;
};

// What one 188-byte packet's header says, as far as the statistics need it.
struct TsHeader {
    std::uint16_t pid = 0;
    bool transportError = false;
    bool scrambled = false;  // transport_scrambling_control not 00
    bool hasPayload = false;
    bool discontinuity = false;
    int counter = 0;
};
// False when the packet has no sync byte.
bool ReadTsHeader(std::span<const std::uint8_t, 188> packet, TsHeader& out);

// One PID's figures.
struct PidStatsRow {
    std::uint16_t pid = 0;
    std::uint64_t packets = 0;
    std::uint64_t ccErrors = 0;
    std::uint64_t transportErrors = 0;  // packets with the transport error indicator
    bool scrambled = false;             // the last packet was scrambled
    std::int64_t lastSeenMs = -1;       // -1: never
    double packetsPerSecond = 0;
    double bitsPerSecond = 0;
};

struct PidStatsSnapshot {
    std::int64_t timeMs = 0;
    std::vector<PidStatsRow> rows;  // by PID; the watched ones first seen or not
    std::uint64_t datagrams = 0;
    std::uint64_t malformedDatagrams = 0;  // not whole packets, or a packet without sync
    double datagramsPerSecond = 0;
};

// Per-PID statistics of the card's stream, fed datagram by datagram by the
// stream reader's thread and read by whoever shows them. Rates are taken
// over the last whole second (or longer, between two snapshots further
// apart).
class CPidStatistics {
  public:
    static constexpr std::int64_t kRateWindowMs = 1000;

    CPidStatistics();

    // The PIDs to list even before a packet of them arrives (the filter's).
    void Watch(std::span<const std::uint16_t> pids);
    void OnDatagram(std::span<const std::uint8_t> datagram, std::int64_t nowMs);
    PidStatsSnapshot Snapshot(std::int64_t nowMs);
    void Reset();

  private:
    struct PidState {
        PidStatsRow row;
        CContinuityCheck cc;
        std::uint64_t packetsAtMark = 0;
        bool listed = false;
    };
    void OnPacket(std::span<const std::uint8_t, 188> packet, std::int64_t nowMs);

    std::mutex m_mutex;
    std::vector<PidState> m_pids;  // indexed by PID, 8192 entries
    std::uint64_t m_datagrams = 0;
    std::uint64_t m_malformed = 0;
    std::uint64_t m_datagramsAtMark = 0;
    double m_datagramRate = 0;
    std::int64_t m_markMs = -1;
};

}  // namespace orbix
