#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace orbix {

using MacAddress = std::array<std::uint8_t, 6>;

// What the decapsulator has seen, for the status line, orbixctl and the
// statistics window. Every dropped section is counted once, under its reason.
struct MpeCounters {
    std::uint64_t sections = 0;   // whole sections assembled on the IP PIDs
    std::uint64_t datagrams = 0;  // IP datagrams handed on
    std::uint64_t bytes = 0;      // bytes of those datagrams
    std::uint64_t crcErrors = 0;  // CRC-32 or checksum wrong
    std::uint64_t malformed = 0;  // lengths that disagree, broken headers, lost packets
    std::uint64_t scrambled = 0;  // scrambled packets or sections
    std::uint64_t nonIp = 0;      // other tables, other protocols behind LLC/SNAP
    std::uint64_t filtered = 0;   // addressed to another receiver
    std::uint64_t Drops() const { return crcErrors + malformed + scrambled + nonIp + filtered; }
};

// Which sections are for this machine: all of them, or those sent to its
// own unicast MAC and every group (multicast or broadcast) address.
struct MacFilter {
    bool all = true;
    MacAddress unicast{};
    bool Accepts(const MacAddress& mac) const { return all || (mac[0] & 1) != 0 || mac == unicast; }
};

// "00:11:22:33:44:55" (or with '-'); false on anything else.
bool ParseMac(std::string_view text, MacAddress& mac);

// Turns the transport packets of the IP PIDs back into IP datagrams:
// datagram sections (table 0x3E) are reassembled across packets, with
// pointer fields, stuffing and several sections a packet; each is checked
// (CRC-32 or checksum), its MAC address filtered, LLC/SNAP removed, and the
// IPv4 or IPv6 datagram in it checked against the section before it is
// handed to the sink. Everything else is counted and dropped. One thread
// feeds it; it allocates only while a PID's first sections grow its buffer.
class CMpeDecapsulator {
  public:
    using Sink = std::function<void(std::span<const std::uint8_t> datagram)>;

    explicit CMpeDecapsulator(Sink sink, MacFilter filter = {});

    // The PIDs to decapsulate; packets of other PIDs are ignored. Forgets
    // every half-assembled section.
    void SetPids(std::span<const std::uint16_t> pids);
    // One 188-byte transport packet.
    void Feed(const std::uint8_t* packet);
    // Consecutive 188-byte packets, as a stream-port datagram holds them; a
    // short tail is ignored.
    void FeedPackets(std::span<const std::uint8_t> packets);

    const MpeCounters& Counters() const { return m_counters; }

  private:
    struct Assembly {
        std::vector<std::uint8_t> bytes;  // the section so far
        bool active = false;
        int continuity = -1;
    };

    void Continue(Assembly& a, const std::uint8_t*& data, const std::uint8_t* end);
    void StartSections(Assembly& a, const std::uint8_t* data, const std::uint8_t* end);
    void Abandon(Assembly& a);
    void Section(std::span<const std::uint8_t> section);
    void Datagram(std::span<const std::uint8_t> payload);

    Sink m_sink;
    MacFilter m_filter;
    std::unordered_map<std::uint16_t, Assembly> m_pids;
    MpeCounters m_counters;
};

// Whether a section's checksum (used instead of the CRC-32 when its
// section_syntax_indicator is 0) is right: its 32-bit words, the last padded
// with zeros, XOR to all ones.
bool MpeChecksumOk(std::span<const std::uint8_t> section);

}  // namespace orbix
