// The one reading of the user's PID lists and the one rule for a PID, as the
// dialog, the tune worker's restore and the IP-data receiver all use them.
#include "db/pid_list.h"

#include <gtest/gtest.h>

#include <tuple>

namespace orbix {
namespace {

using pidlist::AddCheck;
using pidlist::PidItem;
using Pids = std::vector<std::uint16_t>;

TEST(PidList, StoredListsGiveOnlyPidsEachOnce) {
    const std::tuple<int, std::string, int, std::string, Pids> cases[] = {
        {3, "NOT FIND", 0, "", {}},
        {5, "1ff|2a0|", 0, "", {0x1FF, 0x2A0}},       // fewer entries than counted
        {2, "1ff|2a0|3b0|", 0, "", {0x1FF, 0x2A0}},   // more entries than counted
        {5, "10|2000|zz||20|", 0, "", {0x10, 0x20}},  // not PIDs: skipped
        {-1, "10|", 0, "", {}},                       // a negative count
        {3, "100|200|1FFF|", 0, "", {0x100, 0x200}},  // the null PID is none
        {3, "100|0100|00100|", 0, "", {0x100}},       // one value, three spellings
        {4, "1|2|002|3|", 0, "", {0x1, 0x2, 0x3}},    // a repeat of the middle one
        {1, "A|", 2, "00a|B|", {0xA}},                // unticked repeats go too
    };
    for (const auto& [active, activeList, inactive, inactiveList, pids] : cases) {
        const PidLists lists{active, activeList, inactive, inactiveList};
        EXPECT_EQ(pidlist::ActivePids(lists), pids) << activeList;
    }
    const std::vector<PidItem> items = pidlist::ItemsFromLists({1, "A|", 2, "00a|B|"});
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(std::pair(items[1].text, items[1].ticked), std::pair(std::string("B"), false));

    PidLists many{40, "", 0, ""};
    for (int i = 1; i <= 40; ++i) many.active += std::to_string(i) + "|";
    EXPECT_EQ(pidlist::ItemsFromLists(many).size(), 32u) << "the filter's 32 slots";
}

TEST(PidList, NewPidIsCheckedInOrderAndDuplicatesByValue) {
    // Every character must be a digit, and a duplicate of any item counts.
    const std::vector<PidItem> some = {{"01F0", true}, {"2A", true}, {"1FF", false}};
    const std::pair<const char*, AddCheck> cases[] = {
        {"", AddCheck::Empty},           {"G12", AddCheck::BadCharacter},
        {"1G2", AddCheck::BadCharacter}, {"12G", AddCheck::BadCharacter},
        {"1FFF", AddCheck::OutOfRange},  {"1FFE", AddCheck::Ok},
        {"1F0", AddCheck::Duplicate},    {"002a", AddCheck::Duplicate},
        {"01ff", AddCheck::Duplicate},   {"0", AddCheck::Ok},
    };
    for (const auto& [text, check] : cases)
        EXPECT_EQ(pidlist::CheckNewPid(some, text), check) << text;
    const std::vector<PidItem> full(32, PidItem{"1", true});
    EXPECT_EQ(pidlist::CheckNewPid(full, "zz"), AddCheck::Full) << "fullness is told first";
}

TEST(PidList, StoredFormKeepsTheTextsInListOrder) {
    const std::vector<PidItem> items = {{"1FF0", true}, {"12", false}, {"0012A", true}};
    const PidLists lists = pidlist::ListsFromItems(items);
    EXPECT_EQ(std::tie(lists.activeCount, lists.active, lists.inactiveCount, lists.inactive),
              std::tuple(2, "1FF0|0012|", 1, "12|"));
}

}  // namespace
}  // namespace orbix
