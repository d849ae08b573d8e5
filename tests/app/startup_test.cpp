#include "app/startup.h"

#include <gtest/gtest.h>

#include "app/card_bringup.h"
#include "support/card_fixture.h"

namespace orbix {
namespace {

using testing::CTempDir;

struct StartFixture {
    explicit StartFixture(sim::SimCardConfig config = {}) : card(config), ports(card) {}
    StartUpOutcome Run(CInstanceLock& lock) {
        StartUpContext context{ports, notices, lock, "orbixrx", dir.Path().string()};
        return StartUp(context, [&](std::uint16_t base) { ranWith = base; });
    }
    CTempDir dir;
    sim::CSimCard card;
    CPortIoRecorder ports;
    CRecordingNotices notices;
    int ranWith = -1;
};

TEST(StartUp, EachFailureHasItsMessageAndStopsBeforeTheWindow) {
    struct Case {
        const char* what;
        sim::SimCardConfig config;
        StartUpOutcome outcome;
        std::vector<std::string> messages;
    };
    sim::SimCardConfig denied;
    denied.denyPortIo = true;
    sim::SimCardConfig noCard;
    noCard.pciFunctions = {};
    sim::SimCardConfig memoryOnly;
    memoryOnly.pciFunctions = {{1, 0, 0, sim::kCardIdentity, {0xF6000000}}};
    const Case cases[] = {
        {"card found", {}, StartUpOutcome::Ran, {}},
        {"port I/O denied", denied, StartUpOutcome::PortIoDenied, {"系统启动未完成，请稍后执行本软件!"}},
        {"no card", noCard, StartUpOutcome::NoCard, {"您没有安装卫星接收卡!"}},
        {"memory BARs only", memoryOnly, StartUpOutcome::NoCard, {"您没有安装卫星接收卡!"}},
    };
    for (const Case& c : cases) {
        StartFixture f(c.config);
        CInstanceLock lock;
        EXPECT_EQ(f.Run(lock), c.outcome) << c.what;
        EXPECT_EQ(f.notices.TextsUtf8(), c.messages) << c.what;
        EXPECT_EQ(f.ranWith, c.outcome == StartUpOutcome::Ran ? sim::kDefaultIoBase : -1) << c.what;
    }
}

TEST(StartUp, SecondInstanceIsRefusedBeforeAnyHardwareAccess) {
    StartFixture first, second;
    CInstanceLock firstLock, secondLock;
    StartUpContext context{first.ports, first.notices, firstLock, "orbixrx", first.dir.Path().string()};
    ASSERT_TRUE(firstLock.Acquire("orbixrx", first.dir.Path().string()));
    StartUpContext again{second.ports, second.notices, secondLock, "orbixrx", first.dir.Path().string()};
    EXPECT_EQ(StartUp(again, [](std::uint16_t) {}), StartUpOutcome::AlreadyRunning);
    EXPECT_EQ(second.notices.TextsUtf8(), std::vector<std::string>{"程序已经加载!"});
    EXPECT_TRUE(second.ports.Log().empty());
}

struct BringUpFixture : testing::CardFixture {
    using CardFixture::CardFixture;
    bool Run() {
        BringUpContext context{ports, clock, notices, filter, card.IoBase(), imagePath.string(),
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

TEST(BringUp, FailedChecksStopWithTheirMessages) {
    struct Case {
        const char* what;
        std::function<void(BringUpFixture&)> spoil;
        std::vector<std::string> messages;
        bool accessMade;
    };
    const Case cases[] = {
        {"status fault persists",
         [](BringUpFixture& f) { f.card.Status().SetFault(sim::StatusFault::Persistent); },
         {"捕捉到软件冲突，已恢复！", "93C46错误，内部寄存器0x51错误!"}, false},
        {"no image", [](BringUpFixture& f) { std::filesystem::remove(f.imagePath); },
         {"读取配置文件出错!", "本软件与当前硬件版本不匹配，请与设备供应商联系！"}, true},
    };
    for (const Case& c : cases) {
        BringUpFixture f;
        c.spoil(f);
        EXPECT_FALSE(f.Run()) << c.what;
        EXPECT_EQ(f.notices.TextsUtf8(), c.messages) << c.what;
        EXPECT_EQ(f.objects.access != nullptr, c.accessMade) << c.what;
    }
}

}  // namespace
}  // namespace orbix
