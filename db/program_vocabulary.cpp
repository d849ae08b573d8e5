#include "db/program_vocabulary.h"

#include <array>

#include "db/gbk_scan.h"
#include "platform/text.h"

namespace orbix {

namespace {

constexpr std::array<std::string_view, 3> kGroupTexts{"电视节目", "广播节目", "IP节目"};
constexpr std::size_t kWholeNameBytes = 6;
constexpr std::size_t kCutBytes = 3;

}  // namespace

std::string GroupText(ProgramGroup group) {
    return Gbk(kGroupTexts[static_cast<std::size_t>(group)]);
}

std::optional<ProgramGroup> GroupFromText(std::string_view textGbk) {
    for (const ProgramGroup g : {ProgramGroup::Tv, ProgramGroup::Radio, ProgramGroup::Ip})
        if (textGbk == GroupText(g)) return g;
    return std::nullopt;
}

ProgramGroup ProgramGroupOfType(std::string_view typeGbk) {
    return GroupFromText(typeGbk) == ProgramGroup::Tv ? ProgramGroup::Tv : ProgramGroup::Radio;
}

std::string ScrambledMark() { return Gbk("(加扰)"); }

bool IsScrambledName(std::string_view nameGbk) {
    static const std::string mark = Gbk("加扰");
    for (std::size_t i = 0; i < nameGbk.size(); i += gbk::CharLength(nameGbk, i))
        if (nameGbk.substr(i, mark.size()) == mark) return true;
    return false;
}

std::string DisplayName(std::string_view nameGbk) {
    if (nameGbk.size() <= kWholeNameBytes) return std::string(nameGbk);
    // Cutting inside a double-byte character would leave a stray lead byte
    // that the label shows as garbage.
    std::size_t cut = 0;
    while (cut < kCutBytes) {
        const std::size_t next = cut + gbk::CharLength(nameGbk, cut);
        if (next > kCutBytes) break;
        cut = next;
    }
    return std::string(nameGbk.substr(0, cut)) + "...";
}

}  // namespace orbix
