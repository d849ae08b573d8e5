#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "db/channel_database.h"
#include "db/channel_file.h"
#include "db/transponder_merge.h"

namespace orbix {

// How an import or export ended, as the command line reports it.
enum class TransferOutcome {
    Done,
    BadInput,  // unreadable or malformed file, a name the database cannot hold,
               // no such satellite; nothing changed
    Failed,    // the database or the file could not be written, or a count
               // is damaged; nothing changed
};

struct ImportResult {
    TransferOutcome outcome = TransferOutcome::Done;
    std::string satellite;  // GBK, the name imported into
    MergeReport merge;
    int skippedDvbs2 = 0;
    int skippedOther = 0;
    // GBK lines for the user: the name change, the skip counts, the merge
    // summary, or the one reason nothing changed.
    std::vector<std::string> messages;
};

// The satellite name a file gives by default: its base name, made to fit the
// database's name rules (characters it cannot hold become "_", outer blanks
// go, reserved names get "_" appended, cut to 19 bytes). note (GBK) says so
// when the name had to change.
std::string SatelliteNameForFile(std::string_view path, std::string& note);

// Reads a DVBv5 channel file and merges its DVB-S entries into satellite
// (GBK; empty for the name the file gives) through lnb. The database is not
// touched unless the whole file reads well.
ImportResult ImportChannelFile(CChannelDatabase& db, const std::string& path,
                               std::string_view satellite, const LnbChoice& lnb);

struct ExportResult {
    TransferOutcome outcome = TransferOutcome::Done;
    int written = 0;
    int skipped = 0;  // records no DVB-S entry can carry (no polarisation, out of range)
    std::vector<std::string> messages;  // GBK
};

// A stored record as a DVB-S entry; nullopt when it names no polarisation
// ("关" or typed text) or its frequency or symbol rate is out of range.
std::optional<TuningEntry> EntryOfRecord(const TransponderParams& tp);

// The satellite's transponders as DVB-S entries, in "TP" order, with their
// names; those that cannot be carried are counted in skipped.
struct SatelliteEntries {
    std::vector<std::string> names;
    std::vector<TuningEntry> entries;
    int skipped = 0;
};
SatelliteEntries ReadSatelliteEntries(const CChannelDatabase& db, std::string_view satellite);

// Writes the satellite (GBK) as a DVBv5 channel file at path, through a
// temporary file renamed into place, so a failure leaves any old file whole.
ExportResult ExportSatellite(const CChannelDatabase& db, std::string_view satellite,
                             const std::string& path);

}  // namespace orbix
