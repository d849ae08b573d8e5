#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "db/transponder_merge.h"

namespace orbix {

// The DVBv5 channel file: groups opened by "[name]", each with "KEY = VALUE"
// lines; "#" starts a comment line. Only the keys a DVB-S transponder needs
// are read (DELIVERY_SYSTEM, FREQUENCY in kHz, SYMBOL_RATE in S/s,
// POLARIZATION, INNER_FEC); any other key is passed over.
inline constexpr std::size_t kMaxChannelFileBytes = 4u << 20;
inline constexpr std::size_t kMaxChannelLineBytes = 1024;

struct ChannelFileContent {
    bool ok = false;
    std::string message;  // GBK; when not ok, names the file and the line
    std::vector<TuningEntry> dvbs;
    int skippedDvbs2 = 0;
    int skippedOther = 0;  // delivery systems other than DVB-S and DVB-S2
    // DVB-S entries whose frequency or symbol rate no transponder has (tables
    // carry a few typing errors); the first of them is on this line.
    int skippedOutOfRange = 0;
    int firstOutOfRangeLine = 0;
};

// fileName is only used in messages (UTF-8, as the file system spells it).
ChannelFileContent ParseChannelFile(std::string_view text, std::string_view fileName);
// The file read whole (at most kMaxChannelFileBytes), then parsed.
ChannelFileContent ReadChannelFile(const std::string& path);

// One group "[name]" per entry, DELIVERY_SYSTEM = DVBS, in the order given.
// names and entries have the same length; a name the format cannot hold is
// replaced by "<MHz><V|H>".
std::string WriteChannelText(const std::vector<std::string>& names,
                             const std::vector<TuningEntry>& entries, std::string_view comment);

// The message prefix "文件 NAME 第N行：" (GBK), or "文件 NAME：" when line is 0.
std::string FileLinePrefix(std::string_view fileName, int line);

}  // namespace orbix
