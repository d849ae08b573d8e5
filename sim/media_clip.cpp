#include "sim/media_clip.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>

#include "sim/sim_texts.h"

namespace orbix::sim {
namespace {

constexpr std::size_t kPayloadSize = kPacketSize - 4;

std::int64_t ReadTimestamp(const std::uint8_t* at) {
    return (static_cast<std::int64_t>(at[0] & 0x0E) << 29) | (at[1] << 22) |
           ((at[2] & 0xFE) << 14) | (at[3] << 7) | (at[4] >> 1);
}

// Cuts one PES into payload-only packets, the last one padded with an
// adaptation field of stuffing so that the PES ends with it.
MediaUnit CutPes(const std::vector<std::uint8_t>& pes) {
    MediaUnit unit;
    const std::uint8_t flags = pes[7];
    std::size_t pos = 0;
    while (pos < pes.size()) {
        TsPacket packet;
        packet.fill(0xFF);
        packet[0] = 0x47;
        packet[1] = pos == 0 ? 0x40 : 0x00;
        packet[3] = 0x10;
        const std::size_t n = std::min(pes.size() - pos, kPayloadSize);
        std::size_t at = 4;
        if (n < kPayloadSize) {
            packet[3] = 0x30;
            packet[4] = static_cast<std::uint8_t>(kPayloadSize - n - 1);
            if (packet[4] > 0) packet[5] = 0x00;
            at = kPacketSize - n;
        }
        std::memcpy(packet.data() + at, pes.data() + pos, n);
        if (pos == 0) {
            if (flags & 0x80) unit.ptsAt = static_cast<int>(at + 9);
            if (flags & 0x40) unit.dtsAt = static_cast<int>(at + 14);
        }
        pos += n;
        unit.packets.push_back(packet);
    }
    unit.pts = (flags & 0x80) ? ReadTimestamp(&pes[9]) : 0;
    unit.dts = (flags & 0x40) ? ReadTimestamp(&pes[14]) : unit.pts;
    return unit;
}

bool IsPes(const std::vector<std::uint8_t>& pes) {
    return pes.size() >= 14 && pes[0] == 0 && pes[1] == 0 && pes[2] == 1 && pes[3] >= 0xBD &&
           (pes[7] & 0x80) != 0 && pes.size() >= 9u + pes[8];
}

// Timestamps relative to the first DTS, and the loop's length: from the
// first to one frame past the last presentation.
MediaTrack MakeTrack(std::vector<MediaUnit> units) {
    MediaTrack track;
    const std::int64_t origin = units.front().dts;
    std::vector<std::int64_t> times;
    for (MediaUnit& u : units) {
        u.pts -= origin;
        u.dts -= origin;
        times.push_back(u.pts);
    }
    std::sort(times.begin(), times.end());
    std::int64_t frame = 0;
    for (std::size_t i = 1; i < times.size(); ++i) {
        const std::int64_t d = times[i] - times[i - 1];
        if (d > 0 && (frame == 0 || d < frame)) frame = d;
    }
    track.frameTime = frame > 0 ? frame : 3600;
    track.period = times.back() - times.front() + track.frameTime;
    track.units = std::move(units);
    return track;
}

}  // namespace

void PutTimestamp(std::uint8_t* at, std::int64_t value) {
    value &= (1LL << 33) - 1;
    at[0] = static_cast<std::uint8_t>((at[0] & 0xF0) | ((value >> 29) & 0x0E) | 1);
    at[1] = static_cast<std::uint8_t>(value >> 22);
    at[2] = static_cast<std::uint8_t>(((value >> 14) & 0xFE) | 1);
    at[3] = static_cast<std::uint8_t>(value >> 7);
    at[4] = static_cast<std::uint8_t>(((value << 1) & 0xFE) | 1);
}

std::vector<MediaTrack> ParseClip(const std::vector<std::uint8_t>& ts) {
    std::map<int, std::vector<std::uint8_t>> open;
    std::map<int, std::vector<MediaUnit>> units;
    auto close = [&](int pid) {
        auto& pes = open[pid];
        if (IsPes(pes)) units[pid].push_back(CutPes(pes));
        pes.clear();
    };
    for (std::size_t at = 0; at + kPacketSize <= ts.size(); at += kPacketSize) {
        const std::uint8_t* p = ts.data() + at;
        if (p[0] != 0x47) return {};
        const int pid = ((p[1] & 0x1F) << 8) | p[2];
        if ((p[3] & 0x10) == 0 || pid < 0x20 || pid == kNullPid) continue;
        std::size_t start = 4;
        if (p[3] & 0x20) start += 1 + p[4];
        if (start >= kPacketSize) continue;
        if (p[1] & 0x40) close(pid);
        auto& pes = open[pid];
        pes.insert(pes.end(), p + start, p + kPacketSize);
    }
    std::vector<MediaTrack> tracks;
    for (auto& [pid, pes] : open) close(pid);
    for (auto& [pid, list] : units) {
        if (!list.empty()) tracks.push_back(MakeTrack(std::move(list)));
    }
    return tracks;
}

bool CodecOfStream(const MuxStream& stream, MediaCodec& codec) {
    struct Row {
        std::uint8_t type;
        std::uint8_t tag;
        MediaCodec codec;
    };
    static constexpr Row kRows[] = {
        {0x02, 0, MediaCodec::Mpeg2},   {0x1B, 0, MediaCodec::H264},
        {0x24, 0, MediaCodec::Hevc},    {0x10, 0, MediaCodec::Mpeg4},
        {0x03, 0, MediaCodec::Mp2},     {0x04, 0, MediaCodec::Mp2},
        {0x0F, 0, MediaCodec::Aac},     {0x11, 0, MediaCodec::Latm},
        {0x81, 0, MediaCodec::Ac3},     {0x06, 0x6A, MediaCodec::Ac3},
        {0x06, 0x7A, MediaCodec::Eac3}, {0x06, 0x7B, MediaCodec::Dts},
    };
    for (const Row& row : kRows) {
        if (row.type == stream.streamType && row.tag == stream.descriptorTag) {
            codec = row.codec;
            return true;
        }
    }
    return false;
}

std::vector<MediaCodec> ClipCodecs(int number) {
    // Program n of a multiplex of n television programs, in both codings:
    // the same table the multiplex itself takes its codings from.
    std::vector<MediaCodec> codecs;
    for (bool modern : {false, true}) {
        for (bool tv : {true, false}) {
            const MuxConfig mux = MakeMux(tv ? number : 0, tv ? 0 : number, 0, false, modern);
            for (const MuxStream& s : mux.programs.back().streams) {
                MediaCodec c{};
                if (CodecOfStream(s, c) &&
                    std::find(codecs.begin(), codecs.end(), c) == codecs.end())
                    codecs.push_back(c);
            }
        }
    }
    return codecs;
}

std::string ClipPath(const std::string& dir, int number) {
    return dir + "/clip" + std::to_string(number) + ".ts";
}

std::shared_ptr<const CMediaLibrary> CMediaLibrary::Load(const std::string& dir,
                                                         std::string& error) {
    auto library = std::shared_ptr<CMediaLibrary>(new CMediaLibrary);
    for (int n = 1; n <= kMediaClipCount; ++n) {
        const std::string path = ClipPath(dir, n);
        std::ifstream file(path, std::ios::binary | std::ios::ate);
        std::vector<std::uint8_t> bytes(file ? static_cast<std::size_t>(file.tellg()) : 0);
        file.seekg(0);
        file.read(reinterpret_cast<char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        auto tracks = ParseClip(bytes);
        if (tracks.size() != ClipCodecs(n).size()) {
            error = texts::MediaClipUnreadable(path);
            return nullptr;
        }
        library->m_clips.push_back(std::move(tracks));
    }
    return library;
}

const MediaTrack* CMediaLibrary::Find(int number, MediaCodec codec) const {
    if (number < 1 || m_clips.empty()) return nullptr;
    const int n = ((number - 1) % kMediaClipCount) + 1;
    const auto codecs = ClipCodecs(n);
    const auto it = std::find(codecs.begin(), codecs.end(), codec);
    if (it == codecs.end()) return nullptr;
    return &m_clips[static_cast<std::size_t>(n - 1)][static_cast<std::size_t>(it - codecs.begin())];
}

namespace {

bool CompleteCache(const std::string& dir) {
    std::error_code ec;
    return !dir.empty() && std::filesystem::exists(ClipPath(dir, kMediaClipCount), ec);
}

}  // namespace

std::string UserMediaCache() {
    const char* xdg = std::getenv("XDG_CACHE_HOME");
    const char* home = std::getenv("HOME");
    std::string base = xdg && *xdg ? xdg : home && *home ? std::string(home) + "/.cache" : "/tmp";
    return base + "/orbixrx/media-v1";
}

std::string FindMediaCache(std::string& looked) {
    const char* env = std::getenv("ORBIXRX_MEDIA_DIR");
    std::vector<std::string> places;
    if (env && *env) places.push_back(env);
#ifdef ORBIXRX_BUILD_MEDIA_DIR
    places.push_back(ORBIXRX_BUILD_MEDIA_DIR);
#endif
    places.push_back(UserMediaCache());
    looked.clear();
    for (const std::string& dir : places) {
        if (CompleteCache(dir)) return dir;
        looked += (looked.empty() ? "" : ", ") + dir;
    }
    return {};
}

}  // namespace orbix::sim
