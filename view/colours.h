#pragma once

#include <cstdint>

namespace orbix {

struct Rgb {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
    friend constexpr bool operator==(Rgb, Rgb) = default;
};

inline constexpr Rgb kLockedGreen{0, 255, 0};
inline constexpr Rgb kUnlockedRed{255, 0, 0};
inline constexpr Rgb kBlack{0, 0, 0};
// The face's colour under the signal arcs: arcs are erased by drawing them in it.
inline constexpr Rgb kArcBackground{251, 216, 197};
inline constexpr Rgb kGaugeTextBackground{255, 204, 255};
inline constexpr Rgb kGaugeTextColour{255, 0, 0};

// Text colour of the status text, the arcs and the play/save label.
constexpr Rgb LockColour(bool locked) { return locked ? kLockedGreen : kUnlockedRed; }

}  // namespace orbix
