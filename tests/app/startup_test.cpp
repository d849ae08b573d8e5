#include "app/startup.h"

#include <gtest/gtest.h>

#include "app/card_bringup.h"
#include "support/card_fixture.h"

namespace orbix {
namespace {

using testing::CTempDir;

// Each start-up outcome and its message: startup_privilege_test.cpp.
struct StartFixture {
    CTempDir dir;
    sim::CSimCard card;
    CPortIoRecorder ports{card};
    CRecordingNotices notices;
};

TEST(StartUp, SecondInstanceIsRefusedBeforeAnyHardwareAccess) {
    StartFixture first, second;
    CInstanceLock firstLock, secondLock;
    ASSERT_TRUE(firstLock.Acquire("orbixrx", first.dir.Path().string()));
    StartUpContext again{second.ports, second.notices, secondLock, "orbixrx",
                         first.dir.Path().string()};
    EXPECT_EQ(StartUp(again, [](std::uint16_t) {}), StartUpOutcome::AlreadyRunning);
    EXPECT_EQ(second.notices.TextsUtf8(), std::vector<std::string>{"程序已经加载!"});
    EXPECT_TRUE(second.ports.Log().empty());
}

struct BringUpFixture : testing::CardFixture {
    using CardFixture::CardFixture;
    bool Run() {
        BringUpContext context{ports,
                               clock,
                               notices,
                               filter,
                               card.IoBase(),
                               imagePath.string(),
                               [&](BringUpStep s, bool ok) { steps.emplace_back(s, ok); }};
        const bool up = BringUpCard(context, objects);
        filter.SetCardAccess(nullptr);
        return up;
    }
    CPidFilter filter;
    CardObjects objects;
    std::vector<std::pair<BringUpStep, bool>> steps;
};

TEST(BringUp, HealthyCardComesUpWithTheControlPulse) {
    BringUpFixture f;
    ASSERT_TRUE(f.Run());
    EXPECT_TRUE(f.notices.Shown().empty());
    EXPECT_TRUE(f.card.Logic().Loaded());
    EXPECT_EQ(f.card.Logic().Control() & 0x08, 0);
    EXPECT_EQ(f.clock.SleptMs(), 3 + 400);
    EXPECT_EQ(f.card.Bus().Count().violations, 0u);
}

// Failed checks and their messages: card_session_test.cpp.

}  // namespace
}  // namespace orbix
