#pragma once

#include <array>
#include <cstdint>

namespace orbix {

// The signal symbol: three concentric quarter arcs around (80, 38), each from
// the right-middle of its box counter-clockwise to the top-middle.
struct ArcBox {
    int left, top, right, bottom;
};
inline constexpr std::array<ArcBox, 3> kArcBoxes{{
    {70, 28, 90, 48},  // inner
    {67, 25, 93, 51},  // middle
    {64, 22, 96, 54},  // outer
}};

// Arc sets as bit masks: bit 0 inner, bit 1 middle, bit 2 outer.
struct ArcStep {
    std::uint8_t erase;  // drawn first in the background colour
    std::uint8_t draw;   // then drawn in the lock colour
};
// By the phase reached after a tick: one, two, then three arcs.
inline constexpr std::array<ArcStep, 3> kArcSteps{{{0b111, 0b001}, {0b001, 0b011}, {0b011, 0b111}}};

constexpr int NextArcPhase(int phase) { return (phase + 1) % 3; }
constexpr bool ArcShown(int phase, int arc) { return (kArcSteps[phase].draw >> arc & 1) != 0; }

}  // namespace orbix
