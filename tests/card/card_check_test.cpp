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
    struct Case {
        const char* what;
        sim::EepromFaults faults;
    };
    const Case cases[] = {{"data out stuck at 1", {true, false}}, {"never ready", {false, true}}};
    for (const Case& c : cases) {
        sim::SimCardConfig config;
        config.eeprom = c.faults;
        CheckFixture f(config);
        EXPECT_FALSE(f.check.TestEeprom()) << c.what;
        f.ports.SetRecording(true);
        EXPECT_FALSE(f.check.CheckStatus()) << c.what;
        EXPECT_EQ(f.StatusReads(), 0) << c.what;
        EXPECT_TRUE(f.notices.Shown().empty()) << c.what;
    }
}

TEST(CardCheck, StatusFaultsAndTheRepair) {
    struct Case {
        const char* what;
        sim::StatusFault fault;
        bool result;
        std::vector<std::string> messages;
        std::int64_t sleptMs;
    };
    const std::string repaired = "捕捉到软件冲突，已恢复！";
    const Case cases[] = {
        {"transient", sim::StatusFault::Transient, true, {repaired}, 200},
        {"persistent", sim::StatusFault::Persistent, false, {repaired}, 200},
    };
    for (const Case& c : cases) {
        sim::SimCardConfig config;
        config.statusFault = c.fault;
        CheckFixture f(config);
        ASSERT_TRUE(f.check.TestEeprom());
        const auto writes = f.card.Eeprom().WritesCompleted();
        EXPECT_EQ(f.check.CheckStatus(), c.result) << c.what;
        EXPECT_EQ(f.notices.TextsUtf8(), c.messages) << c.what;
        EXPECT_EQ(f.clock.SleptMs(), c.sleptMs) << c.what;
        EXPECT_EQ(f.card.Eeprom().Word(10) & 0xFF, 0x10) << c.what;
        EXPECT_EQ(f.card.Eeprom().WritesCompleted(), writes + 1) << c.what;
    }
}

}  // namespace
}  // namespace orbix
