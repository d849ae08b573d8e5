#include "db/record_text.h"

#include <cfloat>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdio>

#include "db/gbk_scan.h"

namespace orbix {
namespace {

// Blanks and a "+" sign taken off; what follows must then be a digit or a
// point, so "+-5" is no number.
std::string_view SkipBlanksAndPlus(std::string_view text) {
    std::size_t i = text.find_first_not_of(" \t");
    text = i == std::string_view::npos ? std::string_view() : text.substr(i);
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
        if (!text.empty() && text.front() == '-') return {};
    }
    return text;
}

}  // namespace

std::string_view CRecordReader::NextField() {
    std::size_t bar = gbk::FindChar(m_rest, '|');
    if (bar == std::string_view::npos) {
        m_rest = {};
        return {};
    }
    std::string_view field = m_rest.substr(0, bar);
    m_rest.remove_prefix(bar + 1);
    return field;
}

std::string_view FirstField(std::string_view record) { return CRecordReader(record).NextField(); }

float LeadingNumber(std::string_view text) {
    text = SkipBlanksAndPlus(text);
    double value = 0;
    auto [end, error] =
        std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed);
    (void)end;
    if (error != std::errc() || !std::isfinite(value) || std::fabs(value) > FLT_MAX) return 0;
    return static_cast<float>(value);
}

int LeadingInteger(std::string_view text) {
    text = SkipBlanksAndPlus(text);
    long long value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    (void)end;
    if (error == std::errc::result_out_of_range) {
        return !text.empty() && text.front() == '-' ? INT_MIN : INT_MAX;
    }
    if (error != std::errc()) return 0;
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}

std::string FormatOneDecimal(float value) {
    char buf[64];
    int n = std::snprintf(buf, sizeof buf, "%.1f", static_cast<double>(value));
    return std::string(buf, n > 0 ? static_cast<std::size_t>(n) : 0);
}

}  // namespace orbix
