#include "view/gauge.h"

#include <algorithm>

namespace orbix {
namespace {

constexpr int Columns(int value) { return value * kGaugeColumns / 100; }

}  // namespace

std::string GaugeText(int value) {
    std::string text = std::to_string(value) + "%";
    if (text.size() == 2) text += "  ";
    return text;
}

GaugeChange CGauge::Update(int value) {
    // Readings outside 0..100 would draw outside the gauge.
    value = std::clamp(value, 0, 100);
    GaugeChange change{value, 0, 0, !m_read || value != m_drawn};
    const int before = Columns(m_drawn);
    const int now = Columns(value);
    if (value < m_drawn) {
        m_blackEnd = std::max(m_blackEnd, before);
        change.from = now;
        change.to = before;
    } else {
        change.from = before;
        change.to = now;
    }
    m_drawn = value;
    m_read = true;
    return change;
}

GaugeScene CGauge::Scene() const {
    const int bar = Columns(m_drawn);
    return GaugeScene{bar, std::max(bar, m_blackEnd), m_read ? GaugeText(m_drawn) : std::string()};
}

}  // namespace orbix
