#include "db/name_check.h"

#include <array>

#include "db/db_texts.h"
#include "db/gbk_scan.h"
#include "platform/text.h"

namespace orbix {
namespace {

// Section names the program itself uses; a satellite of one of these names
// would share its section.
constexpr std::array<std::string_view, 6> kReservedSections = {"Main",    "Last", "Lock",
                                                               "Default", "PID",  "IP"};

bool HasControlChar(std::string_view text) {
    for (char c : text) {
        auto b = static_cast<unsigned char>(c);
        if (b < 0x20 || b == 0x7F) return true;
    }
    return false;
}

bool IsQuoted(std::string_view text) {
    return text.size() >= 2 && (text.front() == '"' || text.front() == '\'') &&
           text.back() == text.front();
}

// Checks every name gets, whichever it is.
std::string CheckCommon(std::string_view name) {
    if (name.empty()) return Gbk(db_texts::kNamesMissing);
    if (HasControlChar(name)) return Gbk(db_texts::kControlChar);
    if (!gbk::IsValid(name)) return Gbk(db_texts::kUnknownChar);
    if (gbk::TrimBlanks(name) != name) return Gbk(db_texts::kOuterBlanks);
    if (gbk::HasChar(name, '|') || gbk::HasChar(name, '=')) {
        return Gbk(db_texts::kBarOrEquals);
    }
    return {};
}

}  // namespace

std::size_t CountGbkChars(std::string_view text) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < text.size(); i += gbk::CharLength(text, i)) ++count;
    return count;
}

std::string CheckSatelliteName(std::string_view satellite) {
    std::string common = CheckCommon(satellite);
    if (!common.empty()) return common;
    if (gbk::HasChar(satellite, '[') || gbk::HasChar(satellite, ']') || IsQuoted(satellite)) {
        return Gbk(db_texts::kBracketsOrQuotes);
    }
    for (std::string_view reserved : kReservedSections) {
        if (gbk::EqualNoCase(satellite, reserved)) {
            return Gbk(db_texts::kReservedName);
        }
    }
    if (satellite.size() > kMaxSatelliteNameBytes) {
        return Gbk(db_texts::kSatelliteTooLong);
    }
    return {};
}

std::string CheckTransponderName(std::string_view transponder) {
    std::string common = CheckCommon(transponder);
    if (!common.empty()) return common;
    if (CountGbkChars(transponder) > kMaxTransponderNameChars) {
        return Gbk(db_texts::kTransponderTooLong);
    }
    return {};
}

std::string CheckNames(std::string_view satellite, std::string_view transponder) {
    std::string message = CheckSatelliteName(satellite);
    return message.empty() ? CheckTransponderName(transponder) : message;
}

std::string CaseClashMessage() { return Gbk(db_texts::kCaseClash); }

}  // namespace orbix
