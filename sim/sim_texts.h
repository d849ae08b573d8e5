#pragma once

#include <string>
#include <string_view>

namespace orbix::sim::texts {

// What the simulated card tells its user (UTF-8, on standard error or as the
// reason a stream or a sky cannot be used).
inline std::string StreamFileUnreadable(std::string_view path) {
    return "cannot read the stream file " + std::string(path);
}
inline std::string StreamFileEmpty(std::string_view path) {
    return "no transport packets in " + std::string(path);
}
inline std::string StreamFileNoBitRate(std::string_view path) {
    return "no bit rate for " + std::string(path) +
           ": it has no PCRs; give one as file:PATH@BITRATE";
}
inline std::string BadMuxItem(std::string_view item) {
    return "bad multiplex item \"" + std::string(item) + "\"";
}
inline std::string MuxOutOfRange() { return "multiplex out of range"; }
inline std::string BadStreamBitRate(std::string_view description) {
    return "bad bit rate in \"" + std::string(description) + "\"";
}
inline std::string OutputSocketFailed(std::string_view why) {
    return "stream output socket: " + std::string(why);
}
// Told once per transponder when the card cannot play what it carries.
inline std::string StreamNotPlayed(std::string_view transponder, std::string_view why) {
    return "simulated card: transponder " + std::string(transponder) +
           " sends nothing: " + std::string(why);
}

inline std::string MediaClipUnreadable(std::string_view path) {
    return "cannot read the media clip " + std::string(path);
}
inline std::string MediaEncodeFailed(std::string_view path) {
    return "ffmpeg could not encode " + std::string(path);
}
inline std::string MediaCacheUnwritable(std::string_view dir, std::string_view why) {
    return "cannot make the media cache " + std::string(dir) + ": " + std::string(why);
}
inline std::string MediaNoFfmpeg() {
    return "ffmpeg cannot be run (tools/install_deps.sh installs it)";
}
// Told once when the generated multiplexes carry filler instead of pictures
// and sound.
inline std::string MediaMissing(std::string_view why) {
    return "simulated card: the programs carry filler bytes, no pictures or sound: " +
           std::string(why) + "; run `orbixctl media` to encode them";
}
inline std::string MediaNoCache(std::string_view looked) {
    return "no media cache in " + std::string(looked);
}

}  // namespace orbix::sim::texts
