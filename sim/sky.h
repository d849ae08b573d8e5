#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sim/card_faults.h"
#include "sim/stream_faults.h"

namespace orbix::sim {

enum class Polarisation { Vertical, Horizontal };
// The dish's LNB: universal Ku (LO 9750 MHz, 10600 MHz while the 22 kHz tone
// is on), C band (LO 5150 MHz, above the signal, so it inverts the
// spectrum), or no LNB at all.
enum class LnbKind { None, UniversalKu, CBand };

// Forward error correction rates, in the order the chip numbers them.
enum class FecRate { R1_2, R2_3, R3_4, R5_6, R7_8 };

struct SkyTransponder {
    std::string satellite;
    std::string name;
    double frequencyMhz = 0;  // downlink
    Polarisation polarisation = Polarisation::Vertical;
    int symbolRateKs = 0;
    FecRate fec = FecRate::R3_4;
    bool inverted = false;  // spectrum transmitted inverted
    double levelDbm = -40;  // at the tuner input
    double cnDb = 10;       // carrier to noise
    // Free text describing the transport stream carried; kept verbatim.
    std::string stream;
};

struct SkySatellite {
    std::string name;
    LnbKind lnb = LnbKind::UniversalKu;
    std::vector<SkyTransponder> transponders;
};

// A fade scheduled from the card's start: C/N and level drop by dropDb.
struct ScheduledFade {
    std::int64_t atMs = 0;
    std::int64_t durationMs = 0;
    double dropDb = 0;
};

// Faults a sky file can schedule; none by default.
struct SkyFaults {
    std::vector<ScheduledFade> fades;
    // The demodulator stops answering this long after the card's start.
    std::optional<std::int64_t> demodSilentAtMs;
    bool tunerAbsent = false;
    // The card logic's and the status port's faults.
    CardFaultSchedule card;
    // The stream output's faults: no-data windows and packet loss.
    StreamFaultSchedule stream;
};

struct Sky {
    std::vector<SkySatellite> satellites;
    SkyFaults faults;
};

struct SkyParseResult {
    std::optional<Sky> sky;
    std::string error;  // "line N: why" when sky is empty
};

// The built-in sky (listed in the README).
Sky DefaultSky();
SkyParseResult ParseSky(std::string_view text);
SkyParseResult LoadSkyFile(const std::string& path);

std::string_view FecText(FecRate fec);
std::optional<FecRate> ParseFec(std::string_view text);

}  // namespace orbix::sim
