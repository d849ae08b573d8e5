#include "card/card_monitor.h"

#include <gtest/gtest.h>

#include <deque>

#include "card/card_check.h"
#include "card/pid_filter.h"
#include "support/card_fixture.h"
#include "support/eventually.h"
#include "support/rule_scripted_logic.h"

namespace orbix::testing {
namespace {

// A card past its bring-up, with a PID table and a control byte to restore,
// and the monitor over it.
struct MonitorRig : CardFixture {
    MonitorRig() {
        check.SetIoBase(card.IoBase());
        check.TestEeprom();
        LoadLogic();
        card.AttachBusDevice(0xC4, logic);
        pids.SetCardAccess(&access);
        const std::uint16_t user[] = {0x100, 0x1FFF};
        pids.SetUserPids(user);
        access.SetLnbSelect(3);
    }
    bool Restored() {
        return card.Logic().Loaded() && card.Logic().Control() == access.ControlShadow() &&
               card.Logic().PidTable() == pids.Table();
    }

    CCardCheck check{ports, clock, notices};
    CPidFilter pids;
    std::shared_ptr<CScriptedLogic> logic = std::make_shared<CScriptedLogic>(card.Logic());
    std::deque<SignalReading> readings;
    std::vector<SignalReading> told;
    CCardMonitor monitor{{check, access, pids, clock, notices,
                          [this] {
                              const SignalReading r =
                                  readings.empty() ? SignalReading{} : readings.front();
                              if (!readings.empty()) readings.pop_front();
                              return r;
                          },
                          [this](const SignalReading& r) { told.push_back(r); }}};
};

TEST(CardMonitor, ReloadsOnlyWhenNoProbeOfTheCycleAnswers) {
    // Identity answers (none: the configuration is lost), reloads. Any one
    // probe that answers, wherever it is in the cycle, is enough.
    const std::pair<std::deque<bool>, std::uint64_t> cases[] = {
        {{1, 0, 0}, 0}, {{0, 1, 0}, 0}, {{0, 0, 1}, 0}, {{0, 0, 0}, 1}, {{}, 1}};
    for (const auto& [answers, reloads] : cases) {
        SCOPED_TRACE(::testing::PrintToString(answers));
        MonitorRig rig;
        rig.logic->answers[sim::CCardLogicModel::kControlRegister] = answers;
        if (answers.empty()) rig.card.Logic().LoseConfiguration();
        const auto accepted = rig.card.Logic().ConfigurationsAccepted();
        const auto slept = rig.clock.SleptMs();
        EXPECT_TRUE(rig.monitor.Cycle());
        EXPECT_EQ(rig.card.Logic().ConfigurationsAccepted(), accepted + reloads);
        // The control byte and the PID table only stick after the image:
        // found on the card, they were sent in that order.
        EXPECT_TRUE(rig.Restored());
        EXPECT_TRUE(rig.notices.Shown().empty());
        // The cycle's pause and one after each probe.
        EXPECT_EQ(rig.clock.SleptMs() - slept, CCardMonitor::kCycleMs + CCardMonitor::kLogicProbes);
    }
}

TEST(CardMonitor, ReloadWithoutImageIsRepeatedEveryCycleWithItsMessage) {
    MonitorRig rig;
    std::filesystem::remove(rig.imagePath);
    rig.card.Logic().LoseConfiguration();
    for (int i = 0; i < 2; ++i) EXPECT_TRUE(rig.monitor.Cycle());
    // The PID table cannot be verified on a logic that is not there either.
    const std::string image = "读取配置文件出错!", pids = "请重新发送一遍PID!";
    EXPECT_EQ(rig.notices.TextsUtf8(), (std::vector<std::string>{image, pids, image, pids}));
    WriteFile(rig.imagePath, sim::CCardLogicModel::MakeValidImage());
    EXPECT_TRUE(rig.monitor.Cycle());
    EXPECT_TRUE(rig.Restored());
    EXPECT_TRUE(rig.monitor.Cycle());
    EXPECT_EQ(rig.monitor.Reloads(), 3u);
}

TEST(CardMonitor, SignalToldOnChangeOnly) {
    MonitorRig rig;
    rig.readings = {{0, 0}, {0, 0}, {55, 70}, {55, 70}, {55, 71}, {120, 99}};
    for (int i = 0; i < 6; ++i) rig.monitor.Cycle();
    EXPECT_EQ(rig.told, (std::vector<SignalReading>{{0, 0}, {55, 70}, {55, 71}, {120, 99}}));
}

TEST(CardMonitor, ThreadEndsByItselfOnALastingFaultOrWhenStopped) {
    MonitorRig rig, broken;
    rig.monitor.Start();
    EXPECT_TRUE(Eventually([&] { return rig.clock.SleptMs() > 1000; }));
    EXPECT_TRUE(rig.monitor.Running());
    rig.monitor.Stop();
    EXPECT_FALSE(rig.monitor.Running());

    broken.card.Status().SetFault(sim::StatusFault::Persistent);
    broken.monitor.Start();
    EXPECT_TRUE(Eventually([&] { return !broken.monitor.Running(); }));
    // The check tells of its repair; the monitor adds its last word only
    // when the repair did not hold.
    EXPECT_EQ(
        broken.notices.TextsUtf8(),
        (std::vector<std::string>{"捕捉到软件冲突，已恢复！", "93C46错误，内部寄存器0x51错误!"}));
    EXPECT_EQ(broken.monitor.Reloads(), 0u);
}

}  // namespace
}  // namespace orbix::testing
