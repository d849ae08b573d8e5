#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Byte-level scanning of GBK text. The channel database keeps its texts as GBK
// bytes, and the second byte of a double-byte character may be any of
// 0x40-0x7E, which includes '[', ']', '\\' and '|'. Every search for a syntax
// character therefore walks the text character by character.
namespace orbix::gbk {

constexpr bool IsLeadByte(unsigned char b) { return b >= 0x81 && b <= 0xFE; }
constexpr bool IsTrailByte(unsigned char b) { return b >= 0x40 && b <= 0xFE && b != 0x7F; }

// 2 when text[i] starts a double-byte character, else 1. A lead byte that is
// not followed by a valid second byte (also one at the very end) stands alone.
std::size_t CharLength(std::string_view text, std::size_t i);

// Position of the first single-byte character c at or after from, never the
// second byte of a double-byte character; npos when there is none.
std::size_t FindChar(std::string_view text, char c, std::size_t from = 0);

// True when text holds c as a single-byte character.
inline bool HasChar(std::string_view text, char c) {
    return FindChar(text, c) != std::string_view::npos;
}

// True when every byte below 0x80 stands alone and every other byte is the
// lead of a double-byte character with its valid second byte.
bool IsValid(std::string_view text);

// True when text ends in a lead byte with nothing after it, which would take
// a following "]" or "|" as its second byte.
bool EndsInLeadByte(std::string_view text);

// Equality without regard to the case of single-byte ASCII letters; double-byte
// characters compare exactly.
bool EqualNoCase(std::string_view a, std::string_view b);

// Blanks (space, tab, vertical tab, form feed) removed from both ends. No GBK
// byte is a blank, so this is safe on double-byte text.
std::string_view TrimBlanks(std::string_view text);

// The first n bytes of text, or all of it when shorter.
inline std::string_view Head(std::string_view text, std::size_t n) {
    return text.substr(0, n < text.size() ? n : text.size());
}

}  // namespace orbix::gbk
