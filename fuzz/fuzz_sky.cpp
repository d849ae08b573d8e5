// The sky-file loader over any text. A sky it accepts holds at least one
// satellite, named, and transponders with a positive finite frequency, a
// positive symbol rate and finite levels; a text it refuses gets a reason
// that names the line. Line ends CRLF or LF make no difference.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "sim/sky.h"

namespace {

void Check(bool ok) {
    if (!ok) __builtin_trap();
}

void CheckSky(const orbix::sim::Sky& sky) {
    Check(!sky.satellites.empty());
    for (const auto& satellite : sky.satellites) {
        Check(!satellite.name.empty());
        for (const auto& tp : satellite.transponders) {
            Check(tp.satellite == satellite.name && !tp.name.empty());
            Check(std::isfinite(tp.frequencyMhz) && tp.frequencyMhz > 0);
            Check(tp.symbolRateKs > 0);
            Check(std::isfinite(tp.levelDbm) && std::isfinite(tp.cnDb));
        }
    }
    for (const auto& fade : sky.faults.fades) Check(fade.atMs >= 0 && fade.durationMs >= 0);
}

std::string WithCrLf(std::string_view text) {
    std::string out;
    for (char c : text) {
        if (c == '\n') out.push_back('\r');
        out.push_back(c);
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const orbix::sim::SkyParseResult result = orbix::sim::ParseSky(text);
    if (result.sky) {
        Check(result.error.empty());
        CheckSky(*result.sky);
    } else {
        Check(result.error.starts_with("line ") || result.error == "no satellite in the sky");
    }
    if (text.find('\r') == std::string_view::npos) {
        const orbix::sim::SkyParseResult crlf = orbix::sim::ParseSky(WithCrLf(text));
        Check(crlf.sky.has_value() == result.sky.has_value() && crlf.error == result.error);
    }
    return 0;
}
