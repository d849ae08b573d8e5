#pragma once

#include <cstdint>
#include <vector>

#include "card/signal_history.h"
#include "view/colours.h"

namespace orbix {

// The aiming meter's colours, taken from the skin's: the gauges' black
// ground, the lock green, the gauge text's pink and red.
inline constexpr Rgb kMeterGround = kBlack;
inline constexpr Rgb kMeterLevel = kLockedGreen;
inline constexpr Rgb kMeterQuality = kGaugeTextBackground;
inline constexpr Rgb kMeterPeak = kGaugeTextColour;
inline constexpr Rgb kMeterLockShade{0, 64, 0};
inline constexpr Rgb kMeterFace = kArcBackground;

struct MeterPoint {
    int x = 0;
    int y = 0;
    bool operator==(const MeterPoint&) const = default;
};

// An x range [from, to) shaded because the tuner was locked there.
struct MeterSpan {
    int from = 0;
    int to = 0;
    bool operator==(const MeterSpan&) const = default;
};

// What the graph shows, in pixels of a width x height plot whose right edge
// is the newest sample and whose left edge is spanMs before it; 0 % at the
// bottom row, 100 % at the top.
struct MeterScene {
    int width = 0;
    int height = 0;
    std::vector<MeterPoint> level;
    std::vector<MeterPoint> quality;
    std::vector<MeterSpan> locked;
    int peakLevelY = 0;
    int peakQualityY = 0;
    bool any = false;  // a sample to show
    SignalSample current;
    CSignalHistory::Peak peak;
};

// The spans the user can choose: 1, 5 and 10 minutes.
inline constexpr std::int64_t kMeterSpansMs[] = {60'000, 300'000, 600'000};

MeterScene BuildMeterScene(const std::vector<SignalSample>& samples, std::int64_t spanMs,
                           CSignalHistory::Peak peak, int width, int height);

// How often the aiming tick sounds: once a second at no quality, about nine
// times a second at the best.
int TickIntervalMs(int quality);

}  // namespace orbix
