#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>

// The words every layer uses for programs: the three groups of the program
// list (two of which are also the stored program types), the scrambled mark
// a search appends to a name, and the short name the status label shows.
// The stored and shown texts are GBK; a program's group is decided from the
// enum, never by comparing what a window shows.
namespace orbix {

enum class ProgramGroup { Tv, Radio, Ip };

// "电视节目", "广播节目", "IP节目" in GBK.
std::string GroupText(ProgramGroup group);
// The group a stored type or group text names; nullopt for any other text.
std::optional<ProgramGroup> GroupFromText(std::string_view textGbk);
// The group a stored program belongs to: "电视节目" is TV, anything else radio.
ProgramGroup ProgramGroupOfType(std::string_view typeGbk);

// "(加扰)", appended by a search to the name of a scrambled program.
std::string ScrambledMark();
// Whether a program name says the program is scrambled (holds "加扰"); the
// mark is found on character boundaries only.
bool IsScrambledName(std::string_view nameGbk);

// The name as the status label shows it: whole up to 6 bytes; otherwise its
// first 3 bytes and "...", or only 2 when the third would be the first half
// of a double-byte character.
std::string DisplayName(std::string_view nameGbk);

// An item of the program list as the play and save commands see it.
struct ProgramSelection {
    std::string text;                    // GBK: a program's name or a group's text
    std::optional<ProgramGroup> group;   // set when the item is a group item
    std::optional<ProgramGroup> parent;  // the group a program item stands under

    static ProgramSelection Program(std::string nameGbk, ProgramGroup parent) {
        return {std::move(nameGbk), std::nullopt, parent};
    }
    static ProgramSelection Group(ProgramGroup group) {
        return {GroupText(group), group, std::nullopt};
    }
};

}  // namespace orbix
