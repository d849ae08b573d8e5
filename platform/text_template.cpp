#include "platform/text_template.h"

#include <cstddef>

namespace orbix {
namespace {

// The placeholder at pos ("%s", "%d", "%1".."%9"), or 0 if there is none.
char PlaceholderAt(std::string_view templ, std::size_t pos) {
    if (pos + 1 >= templ.size() || templ[pos] != '%') return 0;
    const char c = templ[pos + 1];
    return (c == 's' || c == 'd' || (c >= '1' && c <= '9')) ? c : 0;
}

void Match(std::string_view templ, std::size_t t, std::string_view text, std::size_t x,
           std::vector<std::string>& values, std::vector<TemplateMatch>& out) {
    if (t == templ.size()) {
        out.push_back({values, x});
        return;
    }
    if (PlaceholderAt(templ, t) != 0) {
        const bool last = t + 2 == templ.size();
        for (std::size_t end = last ? text.size() : x + 1; end <= text.size(); ++end) {
            if (end == x) continue;
            values.emplace_back(text.substr(x, end - x));
            Match(templ, t + 2, text, end, values, out);
            values.pop_back();
        }
        return;
    }
    const bool escaped = templ.compare(t, 2, "%%") == 0;
    const char want = templ[t];
    if (x < text.size() && text[x] == want)
        Match(templ, t + (escaped ? 2 : 1), text, x + 1, values, out);
}

}  // namespace

std::vector<TemplateMatch> MatchTemplatePrefix(std::string_view templ, std::string_view text) {
    std::vector<TemplateMatch> out;
    std::vector<std::string> values;
    Match(templ, 0, text, 0, values, out);
    return out;
}

std::string FillTemplate(std::string_view templ, const std::vector<std::string>& values) {
    std::string out;
    std::size_t next = 0;
    for (std::size_t i = 0; i < templ.size(); ++i) {
        const char p = PlaceholderAt(templ, i);
        std::size_t index = values.size();
        if (p == 's' || p == 'd') index = next++;
        if (p >= '1' && p <= '9') index = static_cast<std::size_t>(p - '1');
        if (p != 0 && index < values.size()) {
            out += values[index];
            ++i;
        } else if (templ.compare(i, 2, "%%") == 0) {
            out += '%';
            ++i;
        } else {
            out += templ[i];
        }
    }
    return out;
}

}  // namespace orbix
