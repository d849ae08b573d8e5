#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace orbix {

// The one bridge between the core's texts (GBK bytes, or UTF-8 in the texts
// headers) and the QStrings the windows show.
//
// FromGbk/FromUtf8 keep the text as it is: names the user typed or the
// stream carried (satellites, transponders, programs). TrGbk/TrUtf8 are for
// the program's own texts: they look the text up in the interface
// language's translation, under the single context kTextContext, and give
// the text itself where there is none (always so in the Chinese interface).
inline constexpr const char* kTextContext = "orbix";

QString FromUtf8(std::string_view utf8);
QString FromGbk(std::string_view gbk);
std::string ToGbk(const QString& text);

QString TrUtf8(std::string_view utf8);
QString TrGbk(std::string_view gbk);

}  // namespace orbix
