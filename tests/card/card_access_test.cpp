#include <gtest/gtest.h>

#include "support/card_fixture.h"

namespace orbix {
namespace {

using testing::CardFixture;

TEST(CardAccess, NeverAcknowledgingLogicGetsFourPassesAndIsReportedToTheCaller) {
    CardFixture f;  // logic never loaded
    f.card.Bus().ResetCounters();
    EXPECT_FALSE(f.access.WritePidTable(PidTableBytes{}));
    // Each pass: 64 register writes, then the first verify read (two
    // transactions) fails. The caller tells the user once it holds no lock.
    EXPECT_EQ(f.card.Bus().Count().starts, 4u * (64 + 2));
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
    CardFixture f;
    f.LoadLogic();
    const auto expect = [&](std::uint8_t control, const char* what) {
        EXPECT_EQ(f.access.ControlShadow(), control) << what;
        EXPECT_EQ(f.card.Logic().Control(), control) << what;
    };
    f.access.SetLnbSelect(2);
    f.access.SetToneEnable(true);
    expect(0x06, "vertical, tone on");
    f.access.SetLnbSelect(0xFF);
    expect(0x07, "select masked to 2 bits");
    f.access.SetToneEnable(false);
    expect(0x03, "tone off");
    // A reload clears the logic's control register; the rewrite must bring
    // back the LNB and tone bits the program last chose.
    f.access.SetToneEnable(true);
    f.card.Logic().LoseConfiguration();
    f.LoadLogic();
    ASSERT_EQ(f.card.Logic().Control(), 0x00);
    f.access.RewriteControl();
    expect(0x07, "rewritten");
}

}  // namespace
}  // namespace orbix
