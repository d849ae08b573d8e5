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

TEST(BusModel, ConfigurationStreamWithWrongLengthIsRefused) {
    BusFixture f;
    const auto image = sim::CCardLogicModel::MakeValidImage();
    f.bus.Start();
    f.bus.WriteByteRaw(0xED);
    for (int v : {0x08, 0x09, 0x08}) f.bus.Put(static_cast<std::uint8_t>(v));
    for (std::size_t i = 0; i + 1 < image.size(); ++i) f.bus.WriteByteRaw(image[i]);
    f.bus.IdleClocks();
    f.bus.Stop();
    EXPECT_FALSE(f.card.Logic().Loaded());
    EXPECT_EQ(f.card.Logic().ConfigurationsRefused(), 1u);
}

}  // namespace
}  // namespace orbix
