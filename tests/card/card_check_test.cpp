#include "card/card_check.h"

#include <gtest/gtest.h>

#include "support/card_fixture.h"

namespace orbix {
namespace {

struct CheckFixture : testing::CardFixture {
    explicit CheckFixture(const sim::SimCardConfig& config = {}) : CardFixture(config) {
        check.SetIoBase(card.IoBase());
    }
    int StatusReads() const {
        return static_cast<int>(std::ranges::count_if(ports.Log(), [&](const PortAccess& a) {
            return a.kind == PortAccess::Kind::In8 && a.port == card.IoBase() + 0x51;
        }));
    }
    CCardCheck check{ports, clock, notices};
};

TEST(CardCheck, ByteViewOfTheWords) {
    CheckFixture f;
    f.card.Eeprom().SetWord(63, 0xABCD);
    f.card.Eeprom().SetWord(10, 0x1234);
    EXPECT_EQ(f.check.ReadEepromWord(63), 0xABCD);
    EXPECT_EQ(f.check.ReadEepromByte(0x7F), 0xAB);
    EXPECT_EQ(f.check.ReadEepromByte(0x14), 0x34);
    EXPECT_TRUE(f.check.WriteEepromByte(0x15, 0x99));
    EXPECT_EQ(f.card.Eeprom().Word(10), 0x9934);
    EXPECT_FALSE(f.card.Eeprom().WriteEnabled());  // every access ends with EWDS
}

TEST(CardCheck, EepromTestRestoresTheByteAndEnablesTheStatusCheck) {
    CheckFixture f;
    f.card.Eeprom().SetWord(63, 0x4711);
    EXPECT_TRUE(f.check.TestEeprom());
    EXPECT_TRUE(f.check.EepromOk());
    EXPECT_EQ(f.card.Eeprom().Word(63), 0x4711);
    EXPECT_EQ(f.card.Eeprom().WritesCompleted(), 3u);
}

TEST(CardCheck, BrokenEepromFailsAndTheStatusPortIsNeverRead) {
    // Data out stuck at 1, never ready.
    for (const sim::EepromFaults faults : {sim::EepromFaults{true, false}, {false, true}}) {
        sim::SimCardConfig config;
        config.eeprom = faults;
        CheckFixture f(config);
        EXPECT_FALSE(f.check.TestEeprom());
        f.ports.SetRecording(true);
        EXPECT_FALSE(f.check.CheckStatus());
        EXPECT_EQ(f.StatusReads(), 0);
        EXPECT_TRUE(f.notices.Shown().empty());
    }
}

// Either fault is repaired and told the same way; only a transient one stays repaired.
TEST(CardCheck, StatusFaultsAndTheRepair) {
    for (const auto fault : {sim::StatusFault::Transient, sim::StatusFault::Persistent}) {
        SCOPED_TRACE(static_cast<int>(fault));
        sim::SimCardConfig config;
        config.statusFault = fault;
        CheckFixture f(config);
        ASSERT_TRUE(f.check.TestEeprom());
        const auto writes = f.card.Eeprom().WritesCompleted();
        EXPECT_EQ(f.check.CheckStatus(), fault == sim::StatusFault::Transient);
        EXPECT_EQ(f.notices.TextsUtf8(), std::vector<std::string>{"捕捉到软件冲突，已恢复！"});
        EXPECT_EQ(f.clock.SleptMs(), 200);
        EXPECT_EQ(f.card.Eeprom().Word(10) & 0xFF, 0x10);
        EXPECT_EQ(f.card.Eeprom().WritesCompleted(), writes + 1);
    }
}

}  // namespace
}  // namespace orbix
