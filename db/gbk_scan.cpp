#include "db/gbk_scan.h"

namespace orbix::gbk {
namespace {

constexpr char FoldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

constexpr bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f'; }

}  // namespace

std::size_t CharLength(std::string_view text, std::size_t i) {
    if (i + 1 < text.size() && IsLeadByte(static_cast<unsigned char>(text[i])) &&
        IsTrailByte(static_cast<unsigned char>(text[i + 1]))) {
        return 2;
    }
    return 1;
}

std::size_t FindChar(std::string_view text, char c, std::size_t from) {
    for (std::size_t i = from; i < text.size(); i += CharLength(text, i)) {
        if (text[i] == c) return i;
    }
    return std::string_view::npos;
}

bool IsValid(std::string_view text) {
    for (std::size_t i = 0; i < text.size(); i += CharLength(text, i)) {
        if (static_cast<unsigned char>(text[i]) >= 0x80 && CharLength(text, i) == 1) return false;
    }
    return true;
}

bool EndsInLeadByte(std::string_view text) {
    std::size_t i = 0;
    std::size_t last = 0;
    for (; i < text.size(); i += CharLength(text, i)) last = i;
    return !text.empty() && last == text.size() - 1 &&
           IsLeadByte(static_cast<unsigned char>(text[last]));
}

bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size();) {
        std::size_t len = CharLength(a, i);
        if (len == 2) {
            if (a.substr(i, 2) != b.substr(i, 2)) return false;
        } else if (FoldAscii(a[i]) != FoldAscii(b[i])) {
            return false;
        }
        i += len;
    }
    return true;
}

std::string_view TrimBlanks(std::string_view text) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && IsBlank(text[begin])) ++begin;
    while (end > begin && IsBlank(text[end - 1])) --end;
    return text.substr(begin, end - begin);
}

}  // namespace orbix::gbk
