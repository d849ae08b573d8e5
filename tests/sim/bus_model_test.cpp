// The simulated bus as a protocol checker: what a broken host would do must
// show up in its counters. Well-framed traffic counting nothing is checked
// wherever the card tests drive the bus.
#include <gtest/gtest.h>

#include "card/serial_bus.h"
#include "sim/sim_card.h"

namespace orbix {
namespace {

struct BusFixture {
    BusFixture() : bus(card) { bus.SetIoBase(card.IoBase()); }
    std::uint64_t Violations() { return card.Bus().Count().violations; }
    sim::CSimCard card;
    CSerialBus bus;
};

TEST(BusModel, StartOrStopInTheMiddleOfAByteIsCounted) {
    // One data bit clocked (high, then low), then a start or a stop.
    for (const int bit : {0x0C, 0x08}) {
        for (const bool restart : {true, false}) {
            SCOPED_TRACE(::testing::Message() << bit << (restart ? " start" : " stop"));
            BusFixture f;
            f.bus.Start();
            for (int v : {bit, bit | 1, bit}) f.bus.Put(static_cast<std::uint8_t>(v));
            if (restart) f.bus.Start();
            f.bus.Stop();
            EXPECT_EQ(f.Violations(), 1u);
        }
    }
}

TEST(BusModel, LogicStartsOnlyFromAWellFramedImage) {
    struct Case {
        const char* what;
        std::size_t imageBytes;
        int headerPulse;  // port value while the header's pulse is clocked
        int idleRuns;     // runs of 16 idle clocks after the image
        bool loaded;
    };
    const std::size_t whole = sim::CCardLogicModel::kImageSize;
    const Case cases[] = {
        {"as the driver sends it", whole, 0x08, 100, true},
        {"one byte short", whole - 1, 0x08, 100, false},
        {"header pulse with the data line high", whole, 0x0C, 100, false},
        {"without the start-up clocks", whole, 0x08, 1, false},
    };
    const auto image = sim::CCardLogicModel::MakeValidImage();
    for (const Case& c : cases) {
        BusFixture f;
        f.bus.Start();
        f.bus.WriteByteRaw(0xED);
        for (int v : {c.headerPulse, c.headerPulse | 1, c.headerPulse})
            f.bus.Put(static_cast<std::uint8_t>(v));
        for (std::size_t i = 0; i < c.imageBytes; ++i) f.bus.WriteByteRaw(image[i]);
        for (int i = 0; i < c.idleRuns; ++i) f.bus.IdleClocks();
        f.bus.Stop();
        EXPECT_EQ(f.card.Logic().Loaded(), c.loaded) << c.what;
        EXPECT_EQ(f.Violations(), 0u) << c.what;
    }
}

}  // namespace
}  // namespace orbix
