// The simulated bus as a protocol checker: what a broken host would do must
// show up in its counters.
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

TEST(BusModel, MisframedTransactionsAreCounted) {
    struct Case {
        const char* what;
        void (*drive)(CSerialBus&);
        std::uint64_t violations;
    };
    const Case cases[] = {
        {"well-formed write",
         [](CSerialBus& b) {
             b.Start();
             b.WriteByte(0xD0);
             b.ReadAck();
             b.Stop();
         },
         0},
        {"start in the middle of a byte",
         [](CSerialBus& b) {
             b.Start();
             b.Put(0x0C);
             b.Put(0x0D);
             b.Put(0x0C);
             b.Start();
             b.Stop();
         },
         1},
        {"stop in the middle of a byte",
         [](CSerialBus& b) {
             b.Start();
             b.Put(0x08);
             b.Put(0x09);
             b.Put(0x08);
             b.Stop();
         },
         1},
        {"idle clocks and stops outside a transaction",
         [](CSerialBus& b) {
             b.IdleClocks();
             b.Stop();
             b.Stop();
         },
         0},
    };
    for (const Case& c : cases) {
        BusFixture f;
        c.drive(f.bus);
        EXPECT_EQ(f.Violations(), c.violations) << c.what;
    }
}

TEST(BusModel, AcknowledgeComesOnlyFromAnAttachedDevice) {
    BusFixture f;
    for (int address : {0xD0, 0xC0, 0xC4, 0x20}) {
        f.bus.Start();
        f.bus.WriteByte(static_cast<std::uint8_t>(address));
        const bool acked = f.bus.ReadAck() == 0;
        f.bus.Stop();
        EXPECT_EQ(acked, address == 0xD0 || address == 0xC0) << address;  // logic not loaded
    }
    EXPECT_EQ(f.Violations(), 0u);
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
        for (int v : {c.headerPulse, c.headerPulse | 1, c.headerPulse}) f.bus.Put(static_cast<std::uint8_t>(v));
        for (std::size_t i = 0; i < c.imageBytes; ++i) f.bus.WriteByteRaw(image[i]);
        for (int i = 0; i < c.idleRuns; ++i) f.bus.IdleClocks();
        f.bus.Stop();
        EXPECT_EQ(f.card.Logic().Loaded(), c.loaded) << c.what;
        EXPECT_EQ(f.Violations(), 0u) << c.what;
    }
}

}  // namespace
}  // namespace orbix
