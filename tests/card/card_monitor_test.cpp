#include "card/card_monitor.h"

#include <gtest/gtest.h>

#include <chrono>
#include <deque>
#include <thread>

#include "card/card_check.h"
#include "card/pid_filter.h"
#include "support/card_fixture.h"
#include "support/eventually.h"

namespace orbix::testing {
namespace {

// The card logic with scripted identity answers: each identity read takes
// the next entry (false reads 0x00); an empty script leaves the logic alone.
class CScriptedLogic final : public sim::IBusDevice {
  public:
    explicit CScriptedLogic(sim::CCardLogicModel& logic) : m_logic(logic) {}
    bool Select(bool read) override { return m_logic.Select(read); }
    bool WriteByte(std::uint8_t value) override { return m_logic.WriteByte(value); }
    std::uint8_t ReadByte() override {
        const std::uint8_t b = m_logic.ReadByte();
        if (b != sim::CCardLogicModel::kIdentity || answers.empty()) return b;
        const bool answer = answers.front();
        answers.pop_front();
        return answer ? b : 0x00;
    }
    void OnBusStart() override { m_logic.OnBusStart(); }
    void OnBusStop() override { m_logic.OnBusStop(); }

    std::deque<bool> answers;

  private:
    sim::CCardLogicModel& m_logic;
};

// A card that has passed its bring-up, with a PID table and a control byte
// to restore, and the monitor over it.
struct MonitorRig : CardFixture {
    explicit MonitorRig(const sim::SimCardConfig& config = {})
        : CardFixture(config), check(ports, clock, notices) {
        check.SetIoBase(card.IoBase());
        check.TestEeprom();
        LoadLogic();
        logic = std::make_shared<CScriptedLogic>(card.Logic());
        card.AttachBusDevice(0xC4, logic);
        pids.SetCardAccess(&access);
        const std::uint16_t user[] = {0x100, 0x1FFF};
        pids.SetUserPids(user);
        access.SetLnbSelect(3);
        monitor = std::make_unique<CCardMonitor>(
            CardMonitorParts{check, access, pids, clock, notices, [this] { return NextReading(); },
                             [this](const SignalReading& r) { told.push_back(r); }});
    }
    ~MonitorRig() {
        monitor.reset();
        pids.SetCardAccess(nullptr);
    }
    SignalReading NextReading() {
        if (readings.empty()) return {};
        const SignalReading r = readings.front();
        readings.pop_front();
        return r;
    }
    bool Restored() {
        return card.Logic().Loaded() && card.Logic().Control() == access.ControlShadow() &&
               card.Logic().PidTable() == pids.Table();
    }

    CCardCheck check;
    CPidFilter pids;
    std::shared_ptr<CScriptedLogic> logic;
    std::deque<SignalReading> readings;
    std::vector<SignalReading> told;
    std::unique_ptr<CCardMonitor> monitor;
};

TEST(CardMonitor, ReloadsOnlyWhenNoProbeOfTheCycleAnswers) {
    struct Case {
        const char* what;
        std::deque<bool> answers;
        bool loseConfiguration;
        std::uint64_t reloads;
    };
    const Case cases[] = {
        {"all answer", {true, true, true}, false, 0},
        {"fail, fail, ok", {false, false, true}, false, 0},
        {"ok, fail, fail", {true, false, false}, false, 0},
        {"fail, fail, fail", {false, false, false}, false, 1},
        {"configuration lost", {}, true, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        MonitorRig rig;
        rig.logic->answers = c.answers;
        if (c.loseConfiguration) rig.card.Logic().LoseConfiguration();
        const auto accepted = rig.card.Logic().ConfigurationsAccepted();
        const auto slept = rig.clock.SleptMs();
        EXPECT_TRUE(rig.monitor->Cycle());
        EXPECT_EQ(rig.monitor->Reloads(), c.reloads);
        EXPECT_EQ(rig.card.Logic().ConfigurationsAccepted(), accepted + c.reloads);
        // The control byte and the PID table only stick after the image:
        // found on the card, they were sent in that order.
        EXPECT_TRUE(rig.Restored());
        EXPECT_TRUE(rig.notices.Shown().empty());
        EXPECT_EQ(rig.clock.SleptMs() - slept, CCardMonitor::kCycleMs + CCardMonitor::kLogicProbes)
            << "the cycle's pause and one after each probe";
    }
}

TEST(CardMonitor, ReloadWithoutImageIsRepeatedEveryCycleWithItsMessage) {
    MonitorRig rig;
    std::filesystem::remove(rig.imagePath);
    rig.card.Logic().LoseConfiguration();
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(rig.monitor->Cycle());
    EXPECT_EQ(rig.monitor->Reloads(), 3u);
    // The PID table cannot be verified on a logic that is not there either.
    std::vector<std::string> expected;
    for (int i = 0; i < 3; ++i) {
        expected.push_back("读取配置文件出错!");
        expected.push_back("请重新发送一遍PID!");
    }
    EXPECT_EQ(rig.notices.TextsUtf8(), expected);
    WriteFile(rig.imagePath, sim::CCardLogicModel::MakeValidImage());
    EXPECT_TRUE(rig.monitor->Cycle());
    EXPECT_TRUE(rig.Restored());
    EXPECT_TRUE(rig.monitor->Cycle());
    EXPECT_EQ(rig.monitor->Reloads(), 4u);
}

TEST(CardMonitor, StatusFaultRepairedGoesOnPersistentEndsTheMonitor) {
    struct Case {
        sim::StatusFault fault;
        bool goesOn;
        std::vector<std::string> messages;
    };
    const Case cases[] = {
        {sim::StatusFault::Transient, true, {"捕捉到软件冲突，已恢复！"}},
        {sim::StatusFault::Persistent,
         false,
         {"捕捉到软件冲突，已恢复！", "93C46错误，内部寄存器0x51错误!"}},
    };
    for (const Case& c : cases) {
        MonitorRig rig;
        rig.card.Status().SetFault(c.fault);
        EXPECT_EQ(rig.monitor->Cycle(), c.goesOn);
        EXPECT_EQ(rig.notices.TextsUtf8(), c.messages);
        EXPECT_EQ(rig.monitor->Reloads(), 0u);
    }
}

TEST(CardMonitor, SignalToldOnChangeOnly) {
    MonitorRig rig;
    rig.readings = {{0, 0}, {0, 0}, {55, 70}, {55, 70}, {55, 71}, {120, 99}};
    for (int i = 0; i < 6; ++i) rig.monitor->Cycle();
    const std::vector<SignalReading> expected{{0, 0}, {55, 70}, {55, 71}, {120, 99}};
    EXPECT_EQ(rig.told, expected);
}

TEST(CardMonitor, ThreadEndsByItselfOnALastingFaultOrWhenStopped) {
    MonitorRig rig;
    rig.monitor->Start();
    EXPECT_TRUE(Eventually([&] { return rig.clock.SleptMs() > 1000; }));
    EXPECT_TRUE(rig.monitor->Running());
    rig.monitor->Stop();
    EXPECT_FALSE(rig.monitor->Running());
    rig.monitor->Stop();

    MonitorRig broken;
    broken.card.Status().SetFault(sim::StatusFault::Persistent);
    broken.monitor->Start();
    EXPECT_TRUE(Eventually([&] { return !broken.monitor->Running(); }));
    EXPECT_EQ(broken.notices.Shown().size(), 2u);
}

}  // namespace
}  // namespace orbix::testing
