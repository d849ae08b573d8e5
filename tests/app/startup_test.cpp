#include "app/startup.h"

#include <gtest/gtest.h>

#include "support/card_fixture.h"

namespace orbix {
namespace {

using testing::CTempDir;

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

}  // namespace
}  // namespace orbix
