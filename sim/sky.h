#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

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

struct Sky {
    std::vector<SkySatellite> satellites;
};

struct SkyParseResult {
    std::optional<Sky> sky;
    std::string error;  // "line N: why" when sky is empty
};

// The built-in sky (listed in sim/SKY.md).
Sky DefaultSky();
SkyParseResult ParseSky(std::string_view text);
SkyParseResult LoadSkyFile(const std::string& path);

std::string_view FecText(FecRate fec);
std::optional<FecRate> ParseFec(std::string_view text);

}  // namespace orbix::sim
