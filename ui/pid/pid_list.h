#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "db/channel_database.h"

// The user's IP-data PID list as the PID settings dialog keeps it, without
// any window: reading and writing section "IP", and the checks a new PID
// passes before it is added.
namespace orbix::pidlist {

inline constexpr int kMaxPids = 32;
inline constexpr int kMaxPidText = 4;

struct PidItem {
    std::string text;  // as typed (upper case), at most 4 characters
    bool ticked = false;
};

// The items the stored lists give, ticked ones first: each list yields at
// most as many entries as its count says, and all together at most kMaxPids.
std::vector<PidItem> ItemsFromLists(const PidLists& lists);

// The stored form of the items, in list order.
PidLists ListsFromItems(const std::vector<PidItem>& items);

// The values of the ticked items, in list order.
std::vector<std::uint16_t> TickedValues(const std::vector<PidItem>& items);

// Why a new PID text cannot be added, checked in this order.
enum class AddCheck { Ok, Empty, Full, BadCharacter, OutOfRange, Duplicate };
AddCheck CheckNewPid(const std::vector<PidItem>& items, std::string_view text);

// What the dialog shows and does for a refused PID.
struct Refusal {
    const char* textUtf8;
    const char* captionUtf8;  // "" for the application's name
    bool clearEdit;           // empty the edit and put the focus on it
};
Refusal RefusalFor(AddCheck check);

}  // namespace orbix::pidlist
