#include "card/card_check.h"

#include <gtest/gtest.h>

#include <optional>
#include <string_view>
#include <tuple>

#include "support/card_fixture.h"

namespace orbix {
namespace {

// The check over ports with one fault the simulated chip cannot make by
// itself: bits of the self-test byte stuck at 1, one word write whose ready
// never comes (the chip takes the word all the same), or a status port that
// reads a fixed value.
struct CheckFixture : testing::CardFixture, IPortIo {
    explicit CheckFixture(const sim::SimCardConfig& config = {}) : CardFixture(config) {
        check.SetIoBase(card.IoBase());
    }
    bool Enable(std::uint16_t first, std::uint16_t count) override {
        return ports.Enable(first, count);
    }
    std::uint8_t In8(std::uint16_t port) override {
        sim::CEeprom93C46& chip = card.Eeprom();
        chip.SetWord(63, static_cast<std::uint16_t>(chip.Word(63) | stuckHigh << 8));
        const bool statusPort = port == card.IoBase() + CCardCheck::kStatusPort;
        statusReads += statusPort;
        if (status && statusPort) return *status;
        const std::uint8_t value = ports.In8(port);
        stalled = stalled || (chip.Busy() && chip.WritesCompleted() == stalledWrite);
        return stalled && !statusPort ? value & 0xFE : value;
    }
    void Out8(std::uint16_t port, std::uint8_t value) override {
        // The stalled write ends with its instruction: back to the idle mode.
        if (stalled && (value & 0xC0) == 0) stalled = false, stalledWrite = ~0ull;
        ports.Out8(port, value);
    }
    std::uint32_t In32(std::uint16_t port) override { return ports.In32(port); }
    void Out32(std::uint16_t port, std::uint32_t value) override { ports.Out32(port, value); }

    std::uint8_t stuckHigh = 0;
    std::uint64_t stalledWrite = ~0ull;
    bool stalled = false;
    std::optional<std::uint8_t> status;
    int statusReads = 0;
    CCardCheck check{*this, clock, notices};
};

// The self-test holds only when every step does: each write of 0xBB, 0x55
// and the old byte reports ready, and each pattern reads back. A card that
// fails it never has its status port read; one that passes has its byte back.
TEST(CardCheck, EepromTestNeedsEveryStep) {
    const sim::EepromFaults none;
    // what, the chip's own faults, bits stuck at 1, the write that stalls (1-based)
    const std::tuple<const char*, sim::EepromFaults, std::uint8_t, std::uint64_t> cases[] = {
        {"sound", none, 0, ~0ull},
        {"data out stuck at 1", {true, false}, 0, ~0ull},
        {"no write ever ready", {false, true}, 0, ~0ull},
        {"0xBB does not read back", none, 0x40, ~0ull},
        {"0x55 does not read back", none, 0x80, ~0ull},
        {"0xBB never ready", none, 0, 1},
        {"0x55 never ready", none, 0, 2},
        {"the old byte never ready", none, 0, 3},
    };
    for (const auto& [what, faults, stuckHigh, stalledWrite] : cases) {
        SCOPED_TRACE(what);
        sim::SimCardConfig config;
        config.eeprom = faults;
        CheckFixture f(config);
        f.stuckHigh = stuckHigh;
        f.stalledWrite = stalledWrite;
        f.card.Eeprom().SetWord(63, 0x0711);
        const bool sound = what == std::string_view("sound");
        EXPECT_EQ(f.check.TestEeprom(), sound);
        EXPECT_EQ(f.check.EepromOk(), sound);
        // The test byte is back, and every access ended with EWDS.
        EXPECT_TRUE(!sound ||
                    (f.card.Eeprom().Word(63) == 0x0711 && !f.card.Eeprom().WriteEnabled()));
        EXPECT_EQ(f.check.CheckStatus(), sound);
        EXPECT_EQ(f.statusReads, sound ? 2 : 0);
        EXPECT_TRUE(f.notices.Shown().empty());
    }
}

// Any one of the status port's three fault bits is a fault, other bits are
// not. Every fault is repaired and told the same way; only a transient one
// stays repaired.
TEST(CardCheck, EachFaultBitAloneIsAFaultAndIsRepaired) {
    using sim::StatusFault;
    // the simulated card's fault, or a fixed status; whether the check passes
    const std::tuple<StatusFault, int, bool> cases[] = {
        {StatusFault::None, 0x01, false},   {StatusFault::None, 0x02, false},
        {StatusFault::None, 0x04, false},   {StatusFault::None, 0xF8, true},
        {StatusFault::Transient, -1, true}, {StatusFault::Persistent, -1, false}};
    for (const auto& [fault, status, ok] : cases) {
        SCOPED_TRACE(::testing::Message() << static_cast<int>(fault) << ", " << status);
        sim::SimCardConfig config;
        config.statusFault = fault;
        CheckFixture f(config);
        if (status >= 0) f.status = static_cast<std::uint8_t>(status);
        ASSERT_TRUE(f.check.TestEeprom());
        const auto writes = f.card.Eeprom().WritesCompleted();
        EXPECT_EQ(f.check.CheckStatus(), ok);
        const bool told = status != 0xF8;
        EXPECT_EQ(f.notices.TextsUtf8().size(), told ? 1u : 0u);
        EXPECT_TRUE(!told || f.notices.TextsUtf8()[0] == "捕捉到软件冲突，已恢复！");
        EXPECT_EQ(f.clock.SleptMs(), told ? 200 : 0);
        EXPECT_TRUE(!told || (f.card.Eeprom().Word(10) & 0xFF) == 0x10);
        EXPECT_EQ(f.card.Eeprom().WritesCompleted(), writes + (told ? 1u : 0u));
    }
}

}  // namespace
}  // namespace orbix
