#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "tests/demod/demod_rig.h"

namespace orbix::testing {
namespace {

using Step = FrontEndStep;
constexpr auto T = Step::Tuner, D = Step::Derotator, I = Step::Iq;

// VSTATUS bits: carrier found, Viterbi (puncture rate) found, data lock.
constexpr std::uint8_t kCf = 0x80, kPrf = 0x10, kLk = 0x08, kAll = kCf | kPrf | kLk;
constexpr std::uint8_t kTimingLocked = 60, kNoTimingSeen = 0;

// The tune at 5000 kS/s, then the carrier zig-zag: steps of 10 x 5000 /
// 1342 = 37 units around 0, to the limit of 4 MHz / 1342 Hz = 2980 units.
std::vector<Step> CarrierZigZag5000(int values) {
    std::vector<Step> steps{{D, 0}, {T, 1300000}};
    for (int k = 1; k <= values; ++k) steps.push_back({D, (k % 2 ? -1 : 1) * ((k + 1) / 2) * 37});
    return steps;
}

TEST(SearchScript, TunerAndDerotatorVisitTheirPositionsInOrder) {
    struct Case {
        const char* what;
        std::int32_t rateKs;
        // TLIR and VSTATUS, from where the scripted front end sits.
        std::function<std::pair<std::uint8_t, std::uint8_t>(const ScriptedRig&)> answer;
        std::vector<Step> steps;  // after the tune
        int state;
        std::int32_t found100kHz;
    };
    // Status answers: nothing at all, timing only, timing and a carrier.
    const auto none = [](auto&) { return std::pair{kNoTimingSeen, std::uint8_t{0}}; };
    const auto timing = [](auto&) { return std::pair{kTimingLocked, std::uint8_t{0}}; };
    const auto carrier = [](auto&) { return std::pair{kTimingLocked, kCf}; };
    // clang-format off
    const Case cases[] = {
        {"20000 kS/s, nothing there: three sub-ranges, centre, +4 MHz, -4 MHz", 20000, none,
         {{D, 0}, {T, 1300000}, {D, 0}, {T, 1304000}, {D, 0}, {T, 1296000}}, kNoTiming, 13000},
        {"20000 kS/s, the upper sub-range locks and ends the search", 20000,
         [](auto& p) {
             return p.tuner->kHz == 1304000 ? std::pair{kTimingLocked, kAll}
                                          : std::pair{kNoTimingSeen, std::uint8_t{0}};
         },
         {{D, 0}, {T, 1300000}, {D, 0}, {T, 1304000}}, kLockedInRange, 13040},
        {"5000 kS/s, no timing: steps of 1862 units, two edges", 5000, none,
         {{D, 0}, {T, 1300000}, {D, -1862}, {D, 1862}, {D, -3724}}, kNoTiming, 13000},
        {"5000 kS/s, timing but no carrier: 0, -37, 37, ... until the fourth edge", 5000, timing,
         CarrierZigZag5000(163), kNoCarrier, 13000},
        {"5000 kS/s, carrier 4.02 MHz off: locked outside the range, not reported", 5000,
         [](auto& p) {
             return std::pair{kTimingLocked, p.chip->Derotator() == 2997 ? kAll : std::uint8_t{0}};
         },
         CarrierZigZag5000(162), kLockedOutOfRange,
         13000},
        {"27500 kS/s, carrier but no data: five tuner moves, IQ tried both ways", 27500, carrier,
         {{D, 0},       {T, 1300000}, {I, 0}, {I, 1}, {T, 1302625}, {D, 29}, {I, 0}, {I, 1},
          {T, 1297250}, {D, 63},      {I, 0}, {I, 1}, {T, 1305250}, {D, 59}, {I, 0}, {I, 1},
          {T, 1294625}, {D, 33},      {I, 0}, {I, 1}, {T, 1307875}, {D, 89}, {I, 0}, {I, 1}},
         kDataSearchGaveUp, 13000},
        {"27500 kS/s, data on the second move with IQ swapped: kept swapped", 27500,
         [](auto& p) {
             const bool data = p.tuner->kHz == 1297250 && p.chip->Iq() == 0;
             return std::pair{kTimingLocked, std::uint8_t(kCf | kPrf | (data ? kLk : 0))};
         },
         {{D, 0}, {T, 1300000}, {I, 0}, {I, 1}, {T, 1302625}, {D, 29}, {I, 0}, {I, 1},
          {T, 1297250}, {D, 63}, {I, 0}},
         kLockedInRange, 12974},  // 1297335 kHz + 63 units of 1342 Hz
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScriptedRig rig;
        rig.chip->status = [&](std::uint8_t reg) {
            const auto [tlir, vstatus] = c.answer(rig);
            return reg == CScriptedDemod::kTlir ? tlir : vstatus;
        };
        rig.demod.Tune(c.rateKs, 13000);
        rig.steps.clear();
        EXPECT_EQ(rig.demod.Search(), c.state);
        EXPECT_EQ(rig.demod.FoundFrequency(), c.found100kHz);
        EXPECT_EQ(rig.steps, c.steps);
    }
}

}  // namespace
}  // namespace orbix::testing
