#include "ui/pid/pid_list.h"

#include <algorithm>
#include <array>
#include <cctype>

#include "search/psi.h"

namespace orbix::pidlist {

namespace {

constexpr int kPidLimit = 0x1FFF;

// Up to count "|"-terminated entries of list, appended to items.
void AppendEntries(std::vector<PidItem>& items, std::string_view list, int count, bool ticked) {
    for (int taken = 0; taken < count && items.size() < kMaxPids; ++taken) {
        const std::size_t bar = list.find('|');
        if (bar == std::string_view::npos) return;
        items.push_back({std::string(list.substr(0, bar)), ticked});
        list.remove_prefix(bar + 1);
    }
}


constexpr const char* kBadPid = "PID值只能是'0-9','a-f','A-F'!";
constexpr std::array<Refusal, 6> kRefusals{{
    {"", "", false},  // Ok
    {kBadPid, "非法的PID值", true},
    {"你添加的PID已经达到32个,如果想添加请先删除一些再操作!", "", false},
    {kBadPid, "非法的PID值", true},
    {"非法的PID值!", "Warning", false},
    {"PID重复,请重新输入!", "Warning", true},
}};

}  // namespace

std::vector<PidItem> ItemsFromLists(const PidLists& lists) {
    std::vector<PidItem> items;
    AppendEntries(items, lists.active, lists.activeCount, true);
    AppendEntries(items, lists.inactive, lists.inactiveCount, false);
    return items;
}

PidLists ListsFromItems(const std::vector<PidItem>& items) {
    PidLists lists;
    for (const PidItem& item : items) {
        const std::string text = item.text.substr(0, kMaxPidText) + "|";
        (item.ticked ? lists.active : lists.inactive) += text;
        ++(item.ticked ? lists.activeCount : lists.inactiveCount);
    }
    return lists;
}

std::vector<std::uint16_t> TickedValues(const std::vector<PidItem>& items) {
    std::vector<std::uint16_t> values;
    for (const PidItem& item : items)
        if (item.ticked) values.push_back(static_cast<std::uint16_t>(HexToInt(item.text)));
    return values;
}

AddCheck CheckNewPid(const std::vector<PidItem>& items, std::string_view text) {
    if (text.empty()) return AddCheck::Empty;
    if (items.size() >= kMaxPids) return AddCheck::Full;
    if (!std::ranges::all_of(text,
                             [](char c) { return std::isxdigit(static_cast<unsigned char>(c)); }))
        return AddCheck::BadCharacter;
    const int value = HexToInt(text);
    if (value < 0 || value >= kPidLimit) return AddCheck::OutOfRange;
    if (std::ranges::any_of(items, [&](const PidItem& i) { return i.text == text; }))
        return AddCheck::Duplicate;
    return AddCheck::Ok;
}

Refusal RefusalFor(AddCheck check) { return kRefusals[static_cast<std::size_t>(check)]; }

}  // namespace orbix::pidlist
