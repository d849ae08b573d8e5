#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "sim/ts_mux.h"

namespace orbix::sim {

// The codings the simulated card's programs carry, one per stream type
// (and audio descriptor) of a generated multiplex.
enum class MediaCodec { Mpeg2, H264, Hevc, Mpeg4, Mp2, Aac, Latm, Ac3, Eac3, Dts };

// The coding a stream of a generated multiplex carries; false for a data
// stream, which keeps filler bytes.
bool CodecOfStream(const MuxStream& stream, MediaCodec& codec);

// One elementary stream of a clip, ready to be played in a loop: its packets
// on the wire as one PES each access unit, every timestamp relative to the
// first DTS, in 90 kHz.
struct MediaUnit {
    std::vector<TsPacket> packets;  // payload-only packets, CC and PID filled in on play
    std::int64_t pts = 0;
    std::int64_t dts = 0;
    int ptsAt = -1;  // offset of the PTS field in packets[0], -1 for none
    int dtsAt = -1;
};
struct MediaTrack {
    std::vector<MediaUnit> units;
    std::int64_t period = 0;     // one loop, 90 kHz: last unit's end minus the first's start
    std::int64_t frameTime = 0;  // one unit, 90 kHz
};

// The elementary streams of a transport stream as ffmpeg writes it, one
// track per PID in PID order (PSI, PCR-only packets and empty PIDs left
// out). An empty result when nothing could be read.
std::vector<MediaTrack> ParseClip(const std::vector<std::uint8_t>& ts);

// Writes a 33-bit timestamp into a PES header's 5-byte field, keeping its
// 4-bit prefix.
void PutTimestamp(std::uint8_t* at, std::int64_t value);

// The clips of the simulated card, one per program number up to
// kMediaClipCount; a higher program number shows the clip of
// ((number - 1) % kMediaClipCount) + 1, which keeps its modern coding.
inline constexpr int kMediaClipCount = 42;

// The codings of clip n, in the order of its tracks.
std::vector<MediaCodec> ClipCodecs(int number);

class CMediaLibrary {
  public:
    // Reads every clip of dir; null with a reason when one is missing or
    // unreadable.
    static std::shared_ptr<const CMediaLibrary> Load(const std::string& dir, std::string& error);
    // The track of program `number` in the given coding, or null.
    const MediaTrack* Find(int number, MediaCodec codec) const;

  private:
    std::vector<std::vector<MediaTrack>> m_clips;  // [number - 1][index in ClipCodecs]
};

// Where the clips are looked for, in turn: $ORBIXRX_MEDIA_DIR, the build
// tree's cache, $XDG_CACHE_HOME/orbixrx/media-v1 (~/.cache when unset).
// The first that holds a complete cache, or "" with the places looked at.
std::string FindMediaCache(std::string& looked);
// The user's cache folder that `orbixctl media` fills.
std::string UserMediaCache();
// The file of clip n in a cache folder.
std::string ClipPath(const std::string& dir, int number);

}  // namespace orbix::sim
