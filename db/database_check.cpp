#include "db/database_check.h"

#include <algorithm>
#include <array>
#include <charconv>

#include "db/db_texts.h"
#include "db/gbk_scan.h"
#include "db/profile_store.h"
#include "db/profile_text.h"
#include "platform/text.h"
#include "platform/text_template.h"

namespace orbix {
namespace {

constexpr int kMaxCount = 9999;
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::array<std::string_view, 8> kFixedSections = {"Main", "Last", "Lock", "Default",
                                                            "PID",  "IP",   "LAST", "PId"};

bool IsFixedSection(std::string_view name) {
    return std::ranges::any_of(
        kFixedSections, [&](std::string_view fixed) { return gbk::EqualNoCase(name, fixed); });
}

// A count written as the program writes it: decimal digits only.
int ParseCount(std::string_view text) {
    int value = -1;
    if (text.empty() || text.size() > 4) return -1;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value < 0) return -1;
    return value;
}

// n of a key "SAT"n (any letter case), 0 for other keys.
int SatelliteKeyNumber(std::string_view key) {
    if (key.size() < 4 || !gbk::EqualNoCase(key.substr(0, 3), "SAT")) return 0;
    const int n = ParseCount(key.substr(3));
    return n > 0 ? n : 0;
}

bool IsDamagedLine(const ProfileLine& line, std::size_t index, bool inSection) {
    std::string_view text = line.text;
    if (index == 0 && text.starts_with(kUtf8Bom)) text.remove_prefix(kUtf8Bom.size());
    text = gbk::TrimBlanks(text);
    if (text.empty() || text.front() == ';') return false;
    if (line.kind == ProfileLine::Kind::Section) return false;
    return line.kind == ProfileLine::Kind::Other || !inSection;
}

int FirstDamagedLine(const CParsedProfile& profile) {
    const auto& lines = profile.Lines();
    const std::size_t firstSection =
        profile.Sections().empty() ? lines.size() : profile.Sections().front().header;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (IsDamagedLine(lines[i], i, i > firstSection)) return static_cast<int>(i) + 1;
    }
    return 0;
}

}  // namespace

DatabaseCheck CheckDatabaseText(std::string_view text) {
    const CParsedProfile profile{std::string(text)};
    DatabaseCheck check;
    check.damagedLine = FirstDamagedLine(profile);
    bool satelliteSections = false;
    for (const ProfileSection& s : profile.Sections())
        satelliteSections = satelliteSections || !IsFixedSection(s.name);
    int count = -1;
    int highestKey = 0;
    int countLine = 1;
    if (const ProfileSection* main = profile.FindSection("Main")) {
        countLine = static_cast<int>(main->header) + 1;
        for (std::size_t i = main->header + 1; i < main->end; ++i) {
            const ProfileLine& line = profile.Lines()[i];
            if (line.kind == ProfileLine::Kind::Key)
                highestKey = std::max(highestKey, SatelliteKeyNumber(line.name));
        }
        if (const ProfileLine* num = profile.FindKey(*main, "NUM")) {
            count = ParseCount(UnquoteValue(num->value));
            countLine = static_cast<int>(num - profile.Lines().data()) + 1;
        }
    }
    const bool listed = count > 0 || highestKey > 0 || satelliteSections;
    check.empty = !listed && check.damagedLine == 0;
    const bool countUsable = count > 0 || (count == 0 && !listed);
    if (!countUsable && listed && check.damagedLine == 0) check.damagedLine = countLine;
    check.satellites = std::min(countUsable ? count : highestKey, kMaxCount);
    return check;
}

DatabaseCheck CheckDatabaseFile(const std::string& path) {
    return CheckDatabaseText(LoadProfile(path)->Text());
}

std::string DamagedDatabaseMessage(const std::string& path, int line) {
    return Gbk(FillTemplate(db_texts::kDamaged, {path, std::to_string(line)}));
}

}  // namespace orbix
