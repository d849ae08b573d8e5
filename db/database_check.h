#pragma once

#include <string>
#include <string_view>

namespace orbix {

// What start-up learns from the channel database file before it fills the
// satellite tree, so that a damaged file is never taken for an empty one and
// overwritten with the default content.
struct DatabaseCheck {
    // The file holds no satellite at all (absent, empty, or only the fixed
    // sections): the default content may be written.
    bool empty = true;
    // The first damaged line (1-based), 0 when none: a line that is neither a
    // section, a key, a comment nor blank, a key before any section, or a
    // "Main"/"NUM" that is missing, negative or not a number (or 0) while
    // satellites are listed.
    int damagedLine = 0;
    // How many "SAT"n keys the tree reads: "NUM", or where "NUM" cannot be
    // used, the highest n present.
    int satellites = 0;
};

DatabaseCheck CheckDatabaseText(std::string_view text);
// The file as it is on disk now.
DatabaseCheck CheckDatabaseFile(const std::string& path);

// The message (GBK) for a damaged file: its name and the line.
std::string DamagedDatabaseMessage(const std::string& path, int line);

}  // namespace orbix
