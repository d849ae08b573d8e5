#include "app/startup.h"

#include <gtest/gtest.h>

#include "support/card_fixture.h"

namespace orbix {
namespace {

using testing::CTempDir;

TEST(StartUp, SecondInstanceIsRefusedBeforeAnyHardwareAccess) {
    CTempDir dir;
    sim::CSimCard card;
    CPortIoRecorder ports(card);
    CRecordingNotices notices;
    CInstanceLock first, second;
    ASSERT_TRUE(first.Acquire("orbixrx", dir.Path().string()));
    StartUpContext again{ports, notices, second, "orbixrx", dir.Path().string()};
    EXPECT_EQ(StartUp(again, [](std::uint16_t) {}), StartUpOutcome::AlreadyRunning);
    EXPECT_EQ(notices.TextsUtf8(), std::vector<std::string>{"程序已经加载!"});
    EXPECT_TRUE(ports.Log().empty());
}

}  // namespace
}  // namespace orbix
