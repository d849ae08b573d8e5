#pragma once

#include <string>

#include "view/colours.h"

namespace orbix {

inline constexpr int kGaugeX = 105;
inline constexpr int kGaugeColumns = 200;  // one pixel per half percent
inline constexpr int kGaugeHeight = 8;
inline constexpr int kGaugeTextX = 307;

struct GaugeGeometry {
    int barY;
    int textY;
};
inline constexpr GaugeGeometry kLevelGauge{51, 48};
inline constexpr GaugeGeometry kQualityGauge{68, 65};

// Colour of bar column i (0..199): red at the left, green at 200 pixels.
constexpr Rgb GaugeColumnColour(int column) {
    const int g = column * 255 / kGaugeColumns;
    return Rgb{static_cast<std::uint8_t>(255 - g), static_cast<std::uint8_t>(g), 0};
}

// "5%  " for one digit, "57%" or "100%" otherwise.
std::string GaugeText(int value);

// What one gauge shows: a gradient bar of barColumns from the left, black
// from there to blackEnd (where a longer bar was erased), then the face.
struct GaugeScene {
    int barColumns = 0;
    int blackEnd = 0;
    std::string text;  // empty until the first reading
};

// Columns [from, to) and whether the text changed after one reading.
struct GaugeChange {
    int value = 0;  // the reading limited to 0..100
    int from = 0;
    int to = 0;
    bool textChanged = false;
    bool Any() const { return from < to || textChanged; }
};

// One gauge: the value drawn last and how far black reaches after a shrink.
class CGauge {
  public:
    // Takes a new reading. A drop blackens the columns the bar gave up.
    GaugeChange Update(int value);
    GaugeScene Scene() const;
    int Drawn() const { return m_drawn; }

  private:
    int m_drawn = 0;
    int m_blackEnd = 0;
    bool m_read = false;
};

}  // namespace orbix
