#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <queue>
#include <string>
#include <vector>

#include "sim/media_clip.h"
#include "sim/ts_mux.h"

namespace orbix::sim {

// The elementary streams of a generated multiplex carrying the clips of a
// media library: every stream with a coding plays its program's clip in a
// loop, each packet sent at a fixed lead on its decoding time; the PCR PID
// of every program gets a PCR in a packet of its own every 30 ms; data
// streams get a filler packet every 100 ms. Timestamps rise by one clip
// length each loop and continuity counters run on, so the loop point is
// seamless. Scrambled streams keep their scrambling bits and a payload no
// player decodes. What nothing is due for becomes a null packet.
class CMediaPlayout {
  public:
    CMediaPlayout(const MuxConfig& config, std::shared_ptr<const CMediaLibrary> library);

    // The packet for position `packetIndex` of the multiplex (positions only
    // rise; those given to PSI and null packets are simply skipped).
    void NextPacket(std::int64_t packetIndex, TsPacket& packet);

  private:
    enum class Kind { Media, Data, Pcr };
    struct Feed {
        Kind kind = Kind::Data;
        std::uint16_t pid = 0;
        bool scrambled = false;
        const MediaTrack* track = nullptr;
        std::int64_t base = 0;  // 90 kHz: where loop 0 stands on the multiplex's clock
        std::int64_t loop = 0;
        std::size_t unit = 0;
        std::size_t packet = 0;
        double due = 0;  // 27 MHz
    };
    using Entry = std::pair<double, std::size_t>;

    double DueOf(const Feed& feed) const;
    void Emit(Feed& feed, double now, std::int64_t packetIndex, TsPacket& packet);

    MuxConfig m_config;
    std::shared_ptr<const CMediaLibrary> m_library;
    std::vector<Feed> m_feeds;
    std::priority_queue<Entry, std::vector<Entry>, std::greater<>> m_queue;
    std::vector<std::uint8_t> m_continuity;
    std::array<std::uint8_t, kPacketSize> m_scramble{};
};

// The media library the simulated card plays, from the first complete
// cache FindMediaCache finds; null with a reason when there is none.
std::shared_ptr<const CMediaLibrary> LoadMediaLibrary(std::string& error);

}  // namespace orbix::sim
