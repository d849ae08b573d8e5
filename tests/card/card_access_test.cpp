#include <gtest/gtest.h>

#include "support/card_fixture.h"
#include "support/rule_scripted_logic.h"

namespace orbix {
namespace {

using testing::CardFixture;

// A pass holds only when all 64 bytes read back, whichever one is wrong;
// any one of the four passes that holds is enough. The caller tells the
// user of a failure once it holds no lock.
TEST(CardAccess, PidTableWriteNeedsEveryByteOfOnePass) {
    using Script = std::map<std::uint8_t, std::deque<bool>>;
    // spoiled reads per register, verified, passes made
    const std::tuple<Script, bool, int> cases[] = {
        {{}, true, 1},
        {{{0, {false}}}, true, 2},
        {{{31, {false}}}, true, 2},
        {{{63, {false}}}, true, 2},
        {{{0, {false, false}}}, true, 3},
        {{{0, {false, false, false}}}, true, 4},
        {{{63, {false, false, false, false}}}, false, 4},
    };
    for (const auto& [script, verified, passes] : cases) {
        SCOPED_TRACE(::testing::PrintToString(script));
        CardFixture f;
        f.LoadLogic();
        auto logic = std::make_shared<testing::CScriptedLogic>(f.card.Logic());
        f.card.AttachBusDevice(0xC4, logic);
        logic->answers = script;
        PidTableBytes bytes{};
        for (std::size_t r = 0; r < bytes.size(); ++r) bytes[r] = static_cast<std::uint8_t>(r + 1);
        EXPECT_EQ(f.access.WritePidTable(bytes), verified);
        EXPECT_EQ(logic->reads[0], passes);
        EXPECT_TRUE(f.notices.Shown().empty());
    }
}

TEST(CardAccess, ControlShadowKeepsTheOtherBitsAndAPulseTakes400Ms) {
    CardFixture f;
    f.LoadLogic();
    const auto expect = [&](std::uint8_t control, const char* what) {
        EXPECT_EQ(f.access.ControlShadow(), control) << what;
        EXPECT_EQ(f.card.Logic().Control(), control) << what;
    };
    f.access.SetLnbSelect(2);
    f.access.SetToneEnable(true);
    expect(0x06, "vertical, tone on");
    const auto before = f.clock.NowMs();
    f.access.PulseControlBit3(200);
    EXPECT_EQ(f.clock.NowMs() - before, 400);
    expect(0x06, "the pulse leaves bit 3 clear");
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
