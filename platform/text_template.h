#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace orbix {

// Texts that carry values ("正在播放%s", "文件 %s 第%d行：") are translated by
// their template: the text is matched against the template, the values are
// taken out and put into the translated template. Placeholders are %s, %d
// (values in order) and %1 to %9 (by number); "%%" is a percent sign.

// Every way the template matches a prefix of text: the values, and how many
// bytes of text the match took. A placeholder takes at least one byte; one
// at the end of the template takes the rest of the text.
struct TemplateMatch {
    std::vector<std::string> values;
    std::size_t length = 0;
};
std::vector<TemplateMatch> MatchTemplatePrefix(std::string_view templ, std::string_view text);

// The template with its placeholders replaced: %s and %d take the values in
// order, %N the N-th. A missing value leaves the placeholder as it is.
std::string FillTemplate(std::string_view templ, const std::vector<std::string>& values);

}  // namespace orbix
