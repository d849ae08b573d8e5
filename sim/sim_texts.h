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

}  // namespace orbix::sim::texts
