#include "db/name_check.h"

#include <array>

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
    if (name.empty()) return Gbk("请输入卫星名和转发器名!");
    if (HasControlChar(name)) return Gbk("卫星名和转发器名不能包含控制字符!");
    if (!gbk::IsValid(name)) return Gbk("卫星名和转发器名含有无法识别的字符!");
    if (gbk::TrimBlanks(name) != name) return Gbk("卫星名和转发器名的首尾不能有空格!");
    if (gbk::HasChar(name, '|') || gbk::HasChar(name, '=')) {
        return Gbk("卫星名和转发器名不能包含字符 | 或 = !");
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
        return Gbk("卫星名不能包含字符 [ 或 ]，也不能用引号括起来!");
    }
    for (std::string_view reserved : kReservedSections) {
        if (gbk::EqualNoCase(satellite, reserved)) {
            return Gbk("卫星名不能是 Main、Last、Lock、Default、PID 或 IP，请换一个名字!");
        }
    }
    if (satellite.size() > kMaxSatelliteNameBytes) {
        return Gbk("卫星名不能超过19个字节（一个汉字占两个字节）!");
    }
    return {};
}

std::string CheckTransponderName(std::string_view transponder) {
    std::string common = CheckCommon(transponder);
    if (!common.empty()) return common;
    if (CountGbkChars(transponder) > kMaxTransponderNameChars) {
        return Gbk("转发器名不能超过12个字符!");
    }
    return {};
}

std::string CheckNames(std::string_view satellite, std::string_view transponder) {
    std::string message = CheckSatelliteName(satellite);
    return message.empty() ? CheckTransponderName(transponder) : message;
}

std::string CaseClashMessage() {
    return Gbk("已有一颗只是字母大小写不同的卫星，请使用与它完全相同的名字!");
}

}  // namespace orbix
