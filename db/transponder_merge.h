#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "db/channel_database.h"

namespace orbix {

// The LNB the imported transponders are received with. It decides the LO
// frequency, the band and the 22 kHz tone of each record.
struct LnbChoice {
    enum class Kind {
        UniversalKu,  // LO 9750 below 11700 MHz with the tone off, else LO 10600 with it on
        CBand,        // LO 5150, band "C", tone off
        SingleLo,     // one LO (loMhz), band "Ku", tone off
    };
    Kind kind = Kind::UniversalKu;
    int loMhz = 0;  // SingleLo only
};

// "ku", "c" (any letter case) or a LO frequency in whole MHz (1 ... 20000);
// nullopt for anything else.
std::optional<LnbChoice> ParseLnbChoice(std::string_view text);
// The text ParseLnbChoice takes back: "ku", "c" or the LO in MHz.
std::string LnbChoiceText(const LnbChoice& lnb);

enum class Polarisation { Vertical, Horizontal };

// The inner code rates this demodulator knows; anything else is Auto.
enum class InnerFec { Auto, Fec1_2, Fec2_3, Fec3_4, Fec5_6, Fec7_8 };

// "1/2" ... "7/8" as they stand; every other text (AUTO, NONE, 8/9 ...) is Auto.
InnerFec FecFromText(std::string_view text);
// The FEC_inner code of a satellite delivery system descriptor: 1 ... 5 are
// 1/2 ... 7/8, everything else Auto.
InnerFec FecFromDescriptorCode(int code);

// One transponder as a channel file or a network table delivers it.
struct TuningEntry {
    std::uint32_t frequencyKhz = 0;
    std::uint32_t symbolRate = 0;  // symbols per second
    Polarisation polarisation = Polarisation::Vertical;
    InnerFec fec = InnerFec::Auto;
};

// The record the channel database stores for entry under satellite: frequency
// in MHz with one decimal, symbol rate in kS/s (rounded), "垂直"/"水平", the
// FEC text or "自动", DiSEqC "关", LO, band and tone as the LNB decides, and
// the name "<MHz><V|H>" (for example "12622V", the MHz rounded to whole).
TransponderParams MapTransponder(std::string_view satellite, const TuningEntry& entry,
                                 const LnbChoice& lnb);

// The stored polarisation text as a file writes it back; nullopt for "关" or
// typed texts, which name no polarisation.
std::optional<Polarisation> PolarisationOfRecord(std::string_view polarisation);

enum class MergeOutcome {
    Done,             // the new transponders (perhaps none) are stored
    Refused,          // a name or record the database cannot hold; nothing written
    CountOutOfRange,  // a stored count is damaged or would pass 9999; nothing written
    WriteFailed,      // the file could not be written; it is unchanged
};

struct MergeReport {
    MergeOutcome outcome = MergeOutcome::Done;
    bool satelliteAdded = false;
    int added = 0;
    // Same polarisation and a frequency within 2 MHz of a stored transponder
    // or of an earlier one of the same list; not stored.
    int duplicates = 0;
    // A stored transponder already has the name with other parameters; not
    // stored, nothing is overwritten.
    int nameClashes = 0;
    std::string message;  // GBK; why it was refused, empty when done
};

// Adds records (as MapTransponder makes them; their satellite field is
// ignored) to the named satellite: the satellite is added when absent, "NUMTP"
// and "TP"n follow the database's numbering, and nothing stored is changed.
// All names, record lengths and counts are checked before anything is
// written, and everything is written as one change of the file, so a refusal
// or failure leaves the file byte for byte as it was. Nothing is written when
// there is nothing new.
MergeReport MergeTransponders(CChannelDatabase& db, std::string_view satellite,
                              const std::vector<TransponderParams>& records);

// One line (GBK) for the user: how many were added to satellite, and how
// many were left out and why. For a Done report.
std::string MergeSummary(std::string_view satellite, const MergeReport& report);

// Duplicate rule of the merge: same polarisation text and |f1 - f2| <= 2 MHz.
bool IsSameTransponder(const TransponderParams& a, const TransponderParams& b);

}  // namespace orbix
