#pragma once

#include <string>
#include <string_view>

namespace orbix {

// The program keeps user-visible texts as GBK bytes, because the channel
// database and every length limit count GBK bytes. Texts are written once in
// the sources, in UTF-8, and converted here.

// UTF-8 to GBK. Characters GBK cannot hold become '?'.
std::string Gbk(std::string_view utf8);

// GBK to UTF-8, for display and printing. Invalid bytes become U+FFFD.
std::string Utf8(std::string_view gbk);

}  // namespace orbix
