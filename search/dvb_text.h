#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace orbix {

// The character table of broadcast text that names none. The broadcast
// standard's default is its Latin table (ISO 6937); many Chinese
// broadcasters send GB2312/GBK bytes without saying so, which the default
// table turns into garbage.
enum class NoSelectorCharset { Iso6937, Gb18030 };

// Broadcast text (names and providers of services) as GBK, the database's
// encoding. The first byte may choose the character table: 0x01-0x0B and
// 0x10 the ISO 8859 parts, 0x11 UCS-2, 0x12 KS X 1001, 0x13 GB2312, 0x14
// Big5, 0x15 UTF-8; without one, noSelector decides. Emphasis and other
// control codes are dropped, a line break becomes a blank, and blanks at
// either end are trimmed. A character GBK cannot hold, and bytes the table
// does not allow, become "?"; "|" (the record separator) becomes "/". Empty
// when the selector is reserved or its table is not available.
std::string DecodeDvbText(std::span<const std::uint8_t> text, NoSelectorCharset noSelector);

// The longest head of GBK text of at most maxBytes bytes that does not end
// inside a double-byte character.
std::string_view CutGbk(std::string_view gbk, std::size_t maxBytes);

}  // namespace orbix
