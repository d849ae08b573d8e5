#include "ui/proglist/program_list_texts.h"

#include "db/gbk_scan.h"

namespace orbix::proglist {

std::string DisplayName(std::string_view nameGbk) {
    constexpr std::size_t kWholeBelow = 7;
    constexpr std::size_t kHeadBytes = 3;
    if (nameGbk.size() < kWholeBelow) return std::string(nameGbk);
    // Cutting inside a double-byte character would leave a stray lead byte
    // that the label shows as garbage.
    std::size_t head = 0;
    while (head < nameGbk.size()) {
        const std::size_t next = head + gbk::CharLength(nameGbk, head);
        if (next > kHeadBytes) break;
        head = next;
    }
    return std::string(nameGbk.substr(0, head)) + "...";
}

}  // namespace orbix::proglist
