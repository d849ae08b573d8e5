#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "sim/ts_mux.h"

namespace orbix::sim {

// Where the simulated IP data goes: one UDP port, a multicast group and a
// unicast address, from a sender on the same subnet.
struct IpDataPlan {
    std::array<std::uint8_t, 4> source{10, 77, 0, 2};
    std::array<std::uint8_t, 4> unicast{10, 77, 0, 1};
    std::array<std::uint8_t, 4> group{239, 77, 0, 1};
    std::uint16_t port = 7700;
};
inline constexpr std::array<std::uint8_t, 6> kSimUnicastMac{0x02, 0x00, 0x00, 0x4D, 0x00, 0x01};

struct MpeSectionOptions {
    std::array<std::uint8_t, 6> mac{};
    bool llcSnap = false;
    bool checksum = false;  // the checksum instead of the CRC-32
    bool scrambled = false;
};

// One datagram section (table 0x3E) around an IP datagram (or LLC/SNAP and
// the datagram), with its CRC-32 or checksum.
std::vector<std::uint8_t> BuildMpeSection(std::span<const std::uint8_t> datagram,
                                          const MpeSectionOptions& options);

// The payload of datagram number seq, size bytes: seq (big-endian) first,
// then bytes counting up from it, so that a receiver can check every byte.
std::vector<std::uint8_t> PatternPayload(std::uint32_t seq, std::size_t size);
// Whether payload is exactly PatternPayload of the seq it starts with; that
// seq in seq.
bool CheckPatternPayload(std::span<const std::uint8_t> payload, std::uint32_t& seq);
// An IPv4 datagram with a UDP header (checksum 0) around payload.
std::vector<std::uint8_t> BuildUdpDatagram(const std::array<std::uint8_t, 4>& source,
                                           const std::array<std::uint8_t, 4>& destination,
                                           std::uint16_t port,
                                           std::span<const std::uint8_t> payload);

// Cuts sections into packets back to back, as an encapsulator fills a PID:
// a packet in which a section starts has the payload start flag and a
// pointer to it, so short sections share packets and long ones run on;
// stuffing (0xFF) ends a batch.
class CSectionPacker {
  public:
    explicit CSectionPacker(std::uint16_t pid) : m_pid(pid) {}
    void Pack(const std::vector<std::vector<std::uint8_t>>& sections, std::vector<TsPacket>& out);

  private:
    std::uint16_t m_pid;
    std::uint8_t m_continuity = 0;
};

// The sections of the simulated IP data, in the order they are sent: sizes
// chosen so that some sections span packets and some share one; every
// other datagram to the group, the rest to the unicast address; some with
// LLC/SNAP, some with the checksum.
class CMpeTraffic {
  public:
    explicit CMpeTraffic(IpDataPlan plan = {}) : m_plan(plan) {}
    // The next batch of sections; seq counts the datagrams from 0.
    std::vector<std::vector<std::uint8_t>> NextBatch();
    std::uint32_t NextSeq() const { return m_seq; }
    // The UDP payload size of datagram seq.
    static std::size_t PayloadSize(std::uint32_t seq);

  private:
    IpDataPlan m_plan;
    std::uint32_t m_seq = 0;
};

// A multiplex with IP data: the MPE packets on pid take the share bitRate
// of the base's packet slots.
std::unique_ptr<ITsSource> MakeMpeSource(std::unique_ptr<ITsSource> base, std::uint16_t pid,
                                         std::int64_t bitRate);

}  // namespace orbix::sim
