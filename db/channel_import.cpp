#include "db/channel_import.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "db/channel_file_texts.h"
#include "db/gbk_scan.h"
#include "db/name_check.h"
#include "platform/text.h"

namespace orbix {
namespace {

namespace t = channel_file_texts;

std::string Format(std::string_view utf8Format, const std::string& a, const std::string& b) {
    const std::string format = Gbk(utf8Format);
    char buf[1200];
    const int n = std::snprintf(buf, sizeof buf, format.c_str(), a.c_str(), b.c_str());
    return std::string(buf, n > 0 ? std::min<std::size_t>(n, sizeof buf - 1) : 0);
}

std::string FormatCount(std::string_view utf8Format, int count) {
    const std::string format = Gbk(utf8Format);
    char buf[400];
    const int n = std::snprintf(buf, sizeof buf, format.c_str(), count);
    return std::string(buf, n > 0 ? std::min<std::size_t>(n, sizeof buf - 1) : 0);
}

std::string FormatCounts(std::string_view utf8Format, int a, int b) {
    const std::string format = Gbk(utf8Format);
    char buf[400];
    const int n = std::snprintf(buf, sizeof buf, format.c_str(), a, b);
    return std::string(buf, n > 0 ? std::min<std::size_t>(n, sizeof buf - 1) : 0);
}

std::string_view BaseName(std::string_view path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

bool IsNameChar(std::string_view text, std::size_t i, std::size_t len) {
    if (len == 2) return true;
    const auto b = static_cast<unsigned char>(text[i]);
    return b >= 0x20 && b < 0x7F &&
           std::string_view("|=[]\"'").find(text[i]) == std::string_view::npos;
}

// Characters the name rules refuse become "_", whole characters only.
std::string CleanName(std::string_view gbkName) {
    std::string out;
    for (std::size_t i = 0; i < gbkName.size();) {
        const std::size_t len = gbk::CharLength(gbkName, i);
        const bool valid = len == 2 || static_cast<unsigned char>(gbkName[i]) < 0x80;
        if (valid && IsNameChar(gbkName, i, len)) {
            out.append(gbkName.substr(i, len));
        } else {
            out.push_back('_');
        }
        i += len;
    }
    return out;
}

// At most n bytes, never half a double-byte character.
std::string CutToBytes(std::string_view text, std::size_t n) {
    std::size_t end = 0;
    while (end < text.size()) {
        const std::size_t len = gbk::CharLength(text, end);
        if (end + len > n) break;
        end += len;
    }
    return std::string(text.substr(0, end));
}

// The tuner takes intermediate frequencies of 950 to 2150 MHz.
bool OutsideTunerRange(const TransponderParams& tp) {
    const double lo = std::atoi(tp.lnbFrequency.c_str());
    const double intermediate = std::fabs(static_cast<double>(tp.frequency) - lo);
    return intermediate < 950.0 || intermediate > 2150.0;
}

}  // namespace

std::string SatelliteNameForFile(std::string_view path, std::string& note) {
    const std::string_view base = BaseName(path);
    const std::string cut = CutToBytes(CleanName(Gbk(base)), kMaxSatelliteNameBytes);
    std::string name(gbk::TrimBlanks(cut));
    if (!CheckSatelliteName(name).empty()) {
        name = CutToBytes(name, kMaxSatelliteNameBytes - 1);
        name.push_back('_');
    }
    if (name.empty() || !CheckSatelliteName(name).empty()) name.assign(1, '_');
    note = name == Gbk(base) ? std::string() : Format(t::kNameChanged, Gbk(base), name);
    return name;
}

ImportResult ImportChannelFile(CChannelDatabase& db, const std::string& path,
                               std::string_view satellite, const LnbChoice& lnb) {
    ImportResult result;
    ChannelFileContent content = ReadChannelFile(path);
    if (!content.ok) {
        result.outcome = TransferOutcome::BadInput;
        result.messages.push_back(content.message);
        return result;
    }
    std::string note;
    result.satellite =
        satellite.empty() ? SatelliteNameForFile(path, note) : std::string(satellite);
    if (!note.empty()) result.messages.push_back(note);
    result.skippedDvbs2 = content.skippedDvbs2;
    result.skippedOther = content.skippedOther;
    if (content.skippedDvbs2 > 0) {
        result.messages.push_back(FormatCount(t::kSkippedDvbs2, content.skippedDvbs2));
    }
    if (content.skippedOther > 0) {
        result.messages.push_back(FormatCount(t::kSkippedOther, content.skippedOther));
    }
    if (content.skippedOutOfRange > 0) {
        result.messages.push_back(FormatCounts(t::kSkippedOutOfRange, content.skippedOutOfRange,
                                               content.firstOutOfRangeLine));
    }
    std::vector<TransponderParams> records;
    records.reserve(content.dvbs.size());
    for (const TuningEntry& e : content.dvbs) {
        records.push_back(MapTransponder(result.satellite, e, lnb));
    }
    const auto outside = std::count_if(records.begin(), records.end(), OutsideTunerRange);
    if (outside > 0) {
        result.messages.push_back(FormatCount(t::kOutsideLnb, static_cast<int>(outside)));
    }
    result.merge = MergeTransponders(db, result.satellite, records);
    switch (result.merge.outcome) {
        case MergeOutcome::Done:
            result.messages.push_back(MergeSummary(result.satellite, result.merge));
            break;
        case MergeOutcome::Refused:
            result.outcome = TransferOutcome::BadInput;
            result.messages.push_back(result.merge.message);
            break;
        case MergeOutcome::CountOutOfRange:
        case MergeOutcome::WriteFailed:
            result.outcome = TransferOutcome::Failed;
            result.messages.push_back(result.merge.message);
            break;
    }
    return result;
}

std::optional<TuningEntry> EntryOfRecord(const TransponderParams& tp) {
    const auto polarisation = PolarisationOfRecord(tp.polarisation);
    // Whole hundreds of kHz, as the record keeps one decimal of MHz.
    const double khz = std::round(static_cast<double>(tp.frequency) * 10.0) * 100.0;
    const double rate = static_cast<double>(tp.symbolRate) * 1000.0;
    // Only what the importer takes back is written.
    if (!polarisation || !(khz >= 1'000 && khz <= 30'000'000) ||
        !(rate >= 100'000 && rate <= 100'000'000)) {
        return std::nullopt;
    }
    return TuningEntry{static_cast<std::uint32_t>(khz), static_cast<std::uint32_t>(rate),
                       *polarisation, FecFromText(tp.fec)};
}

SatelliteEntries ReadSatelliteEntries(const CChannelDatabase& db, std::string_view satellite) {
    SatelliteEntries out;
    const int n = db.CountTransponders(satellite);
    for (int k = 1; k <= n; ++k) {
        const std::string record = db.ReadTransponderRecord(satellite, k);
        if (record == CChannelDatabase::kNotFound) continue;
        TransponderParams tp;
        CChannelDatabase::ParseTransponderRecord(record, tp);
        const auto entry = EntryOfRecord(tp);
        if (!entry) {
            ++out.skipped;
            continue;
        }
        out.names.push_back(tp.name);
        out.entries.push_back(*entry);
    }
    return out;
}

ExportResult ExportSatellite(const CChannelDatabase& db, std::string_view satellite,
                             const std::string& path) {
    ExportResult result;
    if (db.FindSatelliteIndex(satellite) < 0 && db.CountTransponders(satellite) == 0) {
        result.outcome = TransferOutcome::BadInput;
        result.messages.push_back(Format(t::kNoSatellite, std::string(satellite), {}));
        return result;
    }
    const SatelliteEntries entries = ReadSatelliteEntries(db, satellite);
    const std::string text = WriteChannelText(
        entries.names, entries.entries, "satellite " + Utf8(satellite) + ", exported by orbixctl");
    const std::string temporary = path + ".tmp" + std::to_string(::getpid());
    bool ok = false;
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << text;
        out.flush();
        ok = static_cast<bool>(out);
    }
    ok = ok && std::rename(temporary.c_str(), path.c_str()) == 0;
    if (!ok) {
        std::remove(temporary.c_str());
        result.outcome = TransferOutcome::Failed;
        result.messages.push_back(FileLinePrefix(path, 0) + Gbk(t::kCannotWrite));
        return result;
    }
    result.written = static_cast<int>(entries.entries.size());
    result.skipped = entries.skipped;
    if (entries.skipped > 0)
        result.messages.push_back(FormatCount(t::kExportSkipped, entries.skipped));
    result.messages.push_back(
        Format(t::kExported, std::string(satellite), std::to_string(result.written)));
    return result;
}

}  // namespace orbix
