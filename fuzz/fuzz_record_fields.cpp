// The splitting of transponder and program records and the numbers read from
// their fields. The first input byte chooses what the rest is read as.
// - A record's fields never hold a "|"; a record built again from them reads
//   back to the same fields (the frequency to within the one decimal written).
// - LeadingInteger and LeadingNumber take exactly blanks, one optional sign,
//   digits (and for a number a fraction), as a plain reading of the text would.
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "db/channel_database.h"
#include "db/gbk_scan.h"
#include "db/record_text.h"

namespace {

using orbix::CChannelDatabase;
using orbix::ProgramEntry;
using orbix::TransponderParams;

void Check(bool ok) {
    if (!ok) __builtin_trap();
}

bool HasBar(const std::string& field) { return orbix::gbk::HasChar(field, '|'); }

bool SameTexts(const TransponderParams& a, const TransponderParams& b) {
    return a.name == b.name && a.symbolRate == b.symbolRate && a.polarisation == b.polarisation &&
           a.lnbFrequency == b.lnbFrequency && a.fec == b.fec && a.diseqc == b.diseqc &&
           a.band == b.band && a.tone22k == b.tone22k;
}

void CheckTransponder(std::string_view record) {
    TransponderParams tp;
    CChannelDatabase::ParseTransponderRecord(record, tp);
    Check(tp.name == orbix::FirstField(record));
    for (const std::string* field : {&tp.name, &tp.polarisation, &tp.lnbFrequency, &tp.fec,
                                     &tp.diseqc, &tp.band, &tp.tone22k}) {
        Check(!HasBar(*field));
    }
    Check(std::isfinite(tp.frequency));
    TransponderParams again;
    CChannelDatabase::ParseTransponderRecord(CChannelDatabase::BuildTuneRecord(tp), again);
    Check(SameTexts(tp, again));
    Check(std::fabs(again.frequency - tp.frequency) <= 0.05f + std::fabs(tp.frequency) * 1e-6f);
    TransponderParams third;  // once written with one decimal, it stays as it is
    CChannelDatabase::ParseTransponderRecord(CChannelDatabase::BuildAddRecord(again), third);
    Check(SameTexts(again, third) && third.frequency == again.frequency);
}

void CheckProgram(std::string_view record) {
    ProgramEntry e;
    CChannelDatabase::ParseProgramRecord(record, e);
    for (const std::string* field :
         {&e.name, &e.type, &e.pmtPid, &e.videoPid, &e.audioPid1, &e.audioPid2, &e.pcrPid}) {
        Check(!HasBar(*field));
    }
    ProgramEntry again;
    CChannelDatabase::ParseProgramRecord(CChannelDatabase::BuildProgramRecord(e), again);
    Check(again.name == e.name && again.type == e.type && again.pmtPid == e.pmtPid &&
          again.videoPid == e.videoPid && again.audioPid1 == e.audioPid1 &&
          again.audioPid2 == e.audioPid2 && again.pcrPid == e.pcrPid);
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The text a plain reading takes as the number: blanks, one optional sign,
// digits, and with fraction a point and more digits; empty when no digit.
std::string NumberPrefix(std::string_view text, bool fraction) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    const std::size_t start = i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    std::size_t digits = 0;
    for (; i < text.size() && IsDigit(text[i]); ++i) ++digits;
    if (fraction && i < text.size() && text[i] == '.') {
        ++i;
        for (; i < text.size() && IsDigit(text[i]); ++i) ++digits;
    }
    return digits == 0 ? std::string() : std::string(text.substr(start, i - start));
}

void CheckNumbers(std::string_view text) {
    const std::string integer = NumberPrefix(text, false);
    long long expected = integer.empty() ? 0 : std::strtoll(integer.c_str(), nullptr, 10);
    expected = expected > INT_MAX ? INT_MAX : expected < INT_MIN ? INT_MIN : expected;
    Check(orbix::LeadingInteger(text) == expected);

    const std::string number = NumberPrefix(text, true);
    double value = number.empty() ? 0 : std::strtod(number.c_str(), nullptr);
    if (!std::isfinite(value) || std::fabs(value) > FLT_MAX) value = 0;
    Check(orbix::LeadingNumber(text) == static_cast<float>(value));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);
    switch (data[0] % 3) {
        case 0:
            CheckTransponder(text);
            break;
        case 1:
            CheckProgram(text);
            break;
        default:
            CheckNumbers(text);
            break;
    }
    return 0;
}
