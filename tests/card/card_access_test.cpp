#include <gtest/gtest.h>

#include "support/card_fixture.h"

namespace orbix {
namespace {

using testing::CardFixture;

// Register writes to the logic are each 141 bus writes; counting the address
// phases tells how many write-and-verify passes ran.
int LogicWriteTransactions(const CPortIoRecorder& ports) {
    const auto& log = ports.Log();
    int transactions = 0;
    for (std::size_t i = 0; i + 1 < log.size(); ++i) {
        // every register write starts with stop then start: 08 09 0D 0C 0C 0D 09 08
        if (log[i].value == 0x0D && i + 5 < log.size() && log[i + 1].value == 0x0C &&
            log[i + 2].value == 0x0C && log[i + 3].value == 0x0D && log[i + 4].value == 0x09 &&
            log[i + 5].value == 0x08) {
            ++transactions;
        }
    }
    return transactions;
}

TEST(CardAccess, NeverAcknowledgingLogicGetsFourPassesAndIsReportedToTheCaller) {
    CardFixture f;  // logic never loaded
    f.ports.SetRecording(true);
    EXPECT_FALSE(f.access.WritePidTable(PidTableBytes{}));
    // each pass: 64 writes, then the first verify read fails; the caller
    // tells the user once it holds no lock of its own
    EXPECT_EQ(LogicWriteTransactions(f.ports), 4 * (64 + 1));
    EXPECT_TRUE(f.notices.Shown().empty());
}

TEST(CardAccess, PulseTakes400MsAndLeavesBit3Clear) {
    CardFixture f;
    f.LoadLogic();
    f.access.SetLnbSelect(2);
    f.access.SetToneEnable(true);
    const auto before = f.clock.NowMs();
    f.access.PulseControlBit3(200);
    EXPECT_EQ(f.clock.NowMs() - before, 400);
    EXPECT_EQ(f.card.Logic().Control(), 0x06);
    EXPECT_EQ(f.access.ControlShadow(), 0x06);
}

TEST(CardAccess, ControlShadowKeepsTheOtherBits) {
    struct Step {
        const char* what;
        int lnb;   // -1: tone step
        int tone;  // -1: LNB step
        std::uint8_t expected;
    };
    const Step steps[] = {
        {"vertical", 2, -1, 0x02},
        {"tone on", -1, 1, 0x06},
        {"select masked to 2 bits", 0xFF, -1, 0x07},
        {"tone off", -1, 0, 0x03},
    };
    CardFixture f;
    f.LoadLogic();
    for (const Step& s : steps) {
        if (s.lnb >= 0) f.access.SetLnbSelect(static_cast<std::uint8_t>(s.lnb));
        if (s.tone >= 0) f.access.SetToneEnable(s.tone == 1);
        EXPECT_EQ(f.access.ControlShadow(), s.expected) << s.what;
        EXPECT_EQ(f.card.Logic().Control(), s.expected) << s.what;
    }
    // A reload clears the logic's control register; the rewrite must bring
    // back the LNB and tone bits the program last chose.
    f.access.SetLnbSelect(3);
    f.access.SetToneEnable(true);
    f.card.Logic().LoseConfiguration();
    f.LoadLogic();
    ASSERT_EQ(f.card.Logic().Control(), 0x00);
    f.access.RewriteControl();
    EXPECT_EQ(f.card.Logic().Control(), 0x07);
    EXPECT_EQ(f.access.ControlShadow(), 0x07);
}

}  // namespace
}  // namespace orbix
