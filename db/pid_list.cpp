#include "db/pid_list.h"

#include <algorithm>
#include <cctype>

namespace orbix {
namespace {

int HexDigit(unsigned char c) {
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return c - '0';
}

bool AllHex(std::string_view text) {
    return std::ranges::all_of(text,
                               [](char c) { return std::isxdigit(static_cast<unsigned char>(c)); });
}

bool HasValue(const std::vector<pidlist::PidItem>& items, std::uint16_t value) {
    return std::ranges::any_of(
        items, [value](const pidlist::PidItem& i) { return pidlist::PidValue(i.text) == value; });
}

// Up to count "|"-terminated entries of list, appended to items.
void AppendEntries(std::vector<pidlist::PidItem>& items, std::string_view list, int count,
                   bool ticked) {
    for (int taken = 0; taken < count && items.size() < pidlist::kMaxPids; ++taken) {
        const std::size_t bar = list.find('|');
        if (bar == std::string_view::npos) return;
        const std::string_view text = list.substr(0, bar);
        list.remove_prefix(bar + 1);
        const std::optional<std::uint16_t> value = pidlist::PidValue(text);
        if (value && !HasValue(items, *value)) items.push_back({std::string(text), ticked});
    }
}

}  // namespace

int HexToInt(std::string_view text) {
    std::uint32_t value = 0;
    for (char c : text) {
        value = value * 16u + static_cast<std::uint32_t>(HexDigit(static_cast<unsigned char>(c)));
    }
    return static_cast<int>(value);
}

namespace pidlist {

std::optional<std::uint16_t> PidValue(std::string_view text) {
    if (text.empty() || text.size() > kMaxPidText || !AllHex(text)) return std::nullopt;
    const int value = HexToInt(text);
    if (value >= kPidLimit) return std::nullopt;
    return static_cast<std::uint16_t>(value);
}

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
    for (const PidItem& item : items) {
        const std::optional<std::uint16_t> value = PidValue(item.text);
        if (item.ticked && value) values.push_back(*value);
    }
    return values;
}

std::vector<std::uint16_t> ActivePids(const PidLists& lists) {
    return TickedValues(ItemsFromLists(lists));
}

AddCheck CheckNewPid(const std::vector<PidItem>& items, std::string_view text) {
    if (text.empty()) return AddCheck::Empty;
    if (items.size() >= kMaxPids) return AddCheck::Full;
    if (!AllHex(text)) return AddCheck::BadCharacter;
    const std::optional<std::uint16_t> value = PidValue(text);
    if (!value) return AddCheck::OutOfRange;
    if (HasValue(items, *value)) return AddCheck::Duplicate;
    return AddCheck::Ok;
}

}  // namespace pidlist
}  // namespace orbix
