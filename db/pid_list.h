#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "db/channel_database.h"

namespace orbix {

// Hexadecimal text to a number. Callers validate: characters other than
// hexadecimal digits count as their code minus 48, and the value wraps at 32
// bits.
int HexToInt(std::string_view text);

// The user's IP-data PID list of section "IP", without any window: the one
// reading of the stored lists and the one rule for what counts as a PID, for
// the PID settings dialog, the tune worker's restore and every other user.
namespace pidlist {

inline constexpr int kMaxPids = 32;
inline constexpr int kMaxPidText = 4;
// The null packets' PID and above are no user PID.
inline constexpr int kPidLimit = 0x1FFF;

struct PidItem {
    std::string text;  // as typed (upper case) or stored, at most 4 characters
    bool ticked = false;
};

// The value of text when it is a user PID: one to four hexadecimal digits
// below kPidLimit.
std::optional<std::uint16_t> PidValue(std::string_view text);

// The items the stored lists give, ticked ones first: each list yields at
// most as many entries as its count says, and all together at most kMaxPids.
// Entries that are no PID, and a PID already taken under another spelling
// ("0100" after "100"), are left out.
std::vector<PidItem> ItemsFromLists(const PidLists& lists);

// The stored form of the items, in list order.
PidLists ListsFromItems(const std::vector<PidItem>& items);

// The values of the ticked items, in list order.
std::vector<std::uint16_t> TickedValues(const std::vector<PidItem>& items);

// The values the card's filter gets from the stored lists.
std::vector<std::uint16_t> ActivePids(const PidLists& lists);

// Why a new PID text cannot be added, checked in this order. A duplicate is
// the same value, however it is spelt.
enum class AddCheck { Ok, Empty, Full, BadCharacter, OutOfRange, Duplicate };
AddCheck CheckNewPid(const std::vector<PidItem>& items, std::string_view text);

}  // namespace pidlist
}  // namespace orbix
