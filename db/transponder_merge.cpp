#include "db/transponder_merge.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "db/gbk_scan.h"
#include "db/merge_texts.h"
#include "db/name_check.h"
#include "platform/text.h"

namespace orbix {
namespace {

constexpr std::string_view kMain = "Main";
constexpr std::string_view kNum = "NUM";
constexpr std::string_view kNumTp = "NUMTP";
constexpr std::size_t kSatelliteSearchBuffer = 50;
constexpr std::size_t kRecordBuffer = 100;
constexpr int kMaxCount = 9999;
constexpr double kDuplicateMhz = 2.0;
constexpr int kMaxLoMhz = 20000;
// Universal Ku LNB: the high band starts at 11700 MHz.
constexpr double kHighBandMhz = 11700.0;

struct FecName {
    InnerFec fec;
    std::string_view text;
};
constexpr std::array<FecName, 5> kFecNames = {{{InnerFec::Fec1_2, "1/2"},
                                               {InnerFec::Fec2_3, "2/3"},
                                               {InnerFec::Fec3_4, "3/4"},
                                               {InnerFec::Fec5_6, "5/6"},
                                               {InnerFec::Fec7_8, "7/8"}}};

std::string FecText(InnerFec fec) {
    for (const FecName& f : kFecNames) {
        if (f.fec == fec) return std::string(f.text);
    }
    return Gbk(merge_texts::kAuto);
}

std::string Printf(std::string_view format, const std::string& text, int n) {
    std::string gbkFormat = Gbk(format);
    char buf[512];
    int len = text.empty() ? std::snprintf(buf, sizeof buf, gbkFormat.c_str(), n)
                           : std::snprintf(buf, sizeof buf, gbkFormat.c_str(), text.c_str(), n);
    return std::string(buf, len > 0 ? std::min<std::size_t>(len, sizeof buf - 1) : 0);
}

// What the merge found in the file and in the list, before writing anything.
struct MergePlan {
    bool newSatellite = false;
    int satelliteCount = 0;
    int transponderCount = 0;
    std::vector<std::string> records;  // the new ones, in list order
};

MergeOutcome Refuse(MergeReport& report, MergeOutcome outcome, std::string message) {
    report.outcome = outcome;
    report.message = std::move(message);
    return outcome;
}

bool NameTaken(const std::vector<TransponderParams>& kept, std::string_view name) {
    for (const TransponderParams& k : kept) {
        if (k.name == name) return true;
    }
    return false;
}

bool DuplicateOf(const std::vector<TransponderParams>& kept, const TransponderParams& tp) {
    for (const TransponderParams& k : kept) {
        if (IsSameTransponder(k, tp)) return true;
    }
    return false;
}

// Reads the file and sorts the list; Done when the plan may be written.
MergeOutcome Plan(const IProfile& p, std::string_view satellite,
                  const std::vector<TransponderParams>& records, MergeReport& report,
                  MergePlan& plan) {
    const int satellites = p.ReadInt(kMain, kNum, 0);
    plan.satelliteCount = satellites;
    plan.newSatellite = true;
    for (int k = 1; k <= std::clamp(satellites, 0, kMaxCount); ++k) {
        std::string stored = p.ReadString(kMain, CChannelDatabase::MakeKey(k, "SAT"),
                                          CChannelDatabase::kNotFound, kSatelliteSearchBuffer);
        if (stored == satellite)
            plan.newSatellite = false;
        else if (gbk::EqualNoCase(stored, satellite)) {
            return Refuse(report, MergeOutcome::Refused, CaseClashMessage());
        }
    }
    const int n = p.ReadInt(satellite, kNumTp, 0);
    plan.transponderCount = n;
    if (n < 0 || n > kMaxCount || satellites < 0 || satellites > kMaxCount ||
        (plan.newSatellite && satellites >= kMaxCount)) {
        return Refuse(report, MergeOutcome::CountOutOfRange,
                      CChannelDatabase::CountOutOfRangeMessage());
    }
    std::vector<TransponderParams> kept;
    for (int k = 1; k <= n; ++k) {
        std::string stored = p.ReadString(satellite, CChannelDatabase::MakeKey(k, "TP"),
                                          CChannelDatabase::kNotFound, kRecordBuffer);
        if (stored == CChannelDatabase::kNotFound) continue;
        CChannelDatabase::ParseTransponderRecord(stored, kept.emplace_back());
    }
    for (const TransponderParams& tp : records) {
        std::string message = CheckTransponderName(tp.name);
        std::string record = CChannelDatabase::BuildAddRecord(tp);
        if (message.empty()) message = CChannelDatabase::CheckRecordLength(record);
        if (!message.empty()) return Refuse(report, MergeOutcome::Refused, message);
        if (DuplicateOf(kept, tp)) {
            ++report.duplicates;
        } else if (NameTaken(kept, tp.name)) {
            ++report.nameClashes;
        } else {
            kept.push_back(tp);
            plan.records.push_back(std::move(record));
        }
    }
    if (n + static_cast<int>(plan.records.size()) > kMaxCount) {
        return Refuse(report, MergeOutcome::CountOutOfRange,
                      CChannelDatabase::CountOutOfRangeMessage());
    }
    return MergeOutcome::Done;
}

void Write(IProfile& p, std::string_view satellite, const MergePlan& plan) {
    if (plan.newSatellite) {
        const int m = plan.satelliteCount + 1;
        p.WriteString(kMain, kNum, std::to_string(m));
        p.WriteString(kMain, CChannelDatabase::MakeKey(m, "SAT"), satellite);
    }
    const int n = plan.transponderCount;
    p.WriteString(satellite, kNumTp, std::to_string(n + static_cast<int>(plan.records.size())));
    for (std::size_t i = 0; i < plan.records.size(); ++i) {
        p.WriteString(satellite, CChannelDatabase::MakeKey(n + 1 + static_cast<int>(i), "TP"),
                      plan.records[i]);
    }
}

}  // namespace

std::optional<LnbChoice> ParseLnbChoice(std::string_view text) {
    if (gbk::EqualNoCase(text, "ku")) return LnbChoice{};
    if (gbk::EqualNoCase(text, "c")) return LnbChoice{LnbChoice::Kind::CBand, 5150};
    if (text.empty() || text.size() > 5) return std::nullopt;
    int lo = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        lo = lo * 10 + (c - '0');
    }
    if (lo < 1 || lo > kMaxLoMhz) return std::nullopt;
    return LnbChoice{LnbChoice::Kind::SingleLo, lo};
}

std::string LnbChoiceText(const LnbChoice& lnb) {
    switch (lnb.kind) {
        case LnbChoice::Kind::UniversalKu:
            return "ku";
        case LnbChoice::Kind::CBand:
            return "c";
        case LnbChoice::Kind::SingleLo:
            return std::to_string(lnb.loMhz);
    }
    return "ku";
}

InnerFec FecFromText(std::string_view text) {
    for (const FecName& f : kFecNames) {
        if (f.text == text) return f.fec;
    }
    return InnerFec::Auto;
}

InnerFec FecFromDescriptorCode(int code) {
    return code >= 1 && code <= 5 ? kFecNames[static_cast<std::size_t>(code - 1)].fec
                                  : InnerFec::Auto;
}

TransponderParams MapTransponder(std::string_view satellite, const TuningEntry& entry,
                                 const LnbChoice& lnb) {
    TransponderParams tp;
    const double mhz = std::round(entry.frequencyKhz / 100.0) / 10.0;
    const bool vertical = entry.polarisation == Polarisation::Vertical;
    tp.satellite = std::string(satellite);
    // Named from the stored frequency, so a record exported and read back
    // gets its own name again.
    tp.name = std::to_string(std::llround(mhz)) + (vertical ? "V" : "H");
    tp.frequency = static_cast<float>(mhz);
    tp.symbolRate = static_cast<std::int32_t>((entry.symbolRate + 500u) / 1000u);
    tp.polarisation = Gbk(vertical ? merge_texts::kVertical : merge_texts::kHorizontal);
    tp.fec = FecText(entry.fec);
    tp.diseqc = Gbk(merge_texts::kOff);
    tp.band = "Ku";
    tp.tone22k = Gbk(merge_texts::kOff);
    switch (lnb.kind) {
        case LnbChoice::Kind::UniversalKu: {
            const bool high = mhz >= kHighBandMhz;
            tp.lnbFrequency = high ? "10600" : "9750";
            if (high) tp.tone22k = Gbk(merge_texts::kOn);
            break;
        }
        case LnbChoice::Kind::CBand:
            tp.lnbFrequency = "5150";
            tp.band.assign(1, 'C');  // not = "C": GCC 12 -O3 warns falsely
            break;
        case LnbChoice::Kind::SingleLo:
            tp.lnbFrequency = std::to_string(lnb.loMhz);
            break;
    }
    return tp;
}

std::optional<Polarisation> PolarisationOfRecord(std::string_view polarisation) {
    if (polarisation == Gbk(merge_texts::kVertical)) return Polarisation::Vertical;
    if (polarisation == Gbk(merge_texts::kHorizontal)) return Polarisation::Horizontal;
    return std::nullopt;
}

bool IsSameTransponder(const TransponderParams& a, const TransponderParams& b) {
    return a.polarisation == b.polarisation &&
           std::fabs(static_cast<double>(a.frequency) - b.frequency) <= kDuplicateMhz;
}

MergeReport MergeTransponders(CChannelDatabase& db, std::string_view satellite,
                              const std::vector<TransponderParams>& records) {
    MergeReport report;
    std::string message = CheckSatelliteName(satellite);
    if (!message.empty()) {
        Refuse(report, MergeOutcome::Refused, message);
        return report;
    }
    MergePlan plan;
    CProfileFile file(db.Path());
    bool ok = file.Transact([&](IProfile& p) {
        if (Plan(p, satellite, records, report, plan) != MergeOutcome::Done) return;
        if (plan.records.empty()) return;  // nothing new: the file stays as it is
        Write(p, satellite, plan);
    });
    if (report.outcome != MergeOutcome::Done) return report;
    if (!ok) {
        report.duplicates = report.nameClashes = 0;
        Refuse(report, MergeOutcome::WriteFailed, Gbk(merge_texts::kWriteFailed));
        return report;
    }
    report.added = static_cast<int>(plan.records.size());
    report.satelliteAdded = plan.newSatellite && report.added > 0;
    return report;
}

std::string MergeSummary(std::string_view satellite, const MergeReport& report) {
    std::string text = Printf(merge_texts::kAddedTo, std::string(satellite), report.added);
    if (report.satelliteAdded) text += Gbk(merge_texts::kNewSatellite);
    if (report.duplicates > 0) text += Printf(merge_texts::kDuplicates, {}, report.duplicates);
    if (report.nameClashes > 0) text += Printf(merge_texts::kNameClashes, {}, report.nameClashes);
    return text;
}

}  // namespace orbix
