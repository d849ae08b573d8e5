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
    // Identity answers (none: the configuration is lost), reloads.
    const std::pair<std::deque<bool>, std::uint64_t> cases[] = {
        {{true, true, true}, 0},
        {{false, false, true}, 0},
        {{true, false, false}, 0},
        {{false, false, false}, 1},
        {{}, 1},
    };
    for (const auto& [answers, reloads] : cases) {
        SCOPED_TRACE(::testing::Message() << answers.size() << " answers, " << reloads);
        MonitorRig rig;
        rig.logic->answers = answers;
        if (answers.empty()) rig.card.Logic().LoseConfiguration();
        const auto accepted = rig.card.Logic().ConfigurationsAccepted();
        const auto slept = rig.clock.SleptMs();
        EXPECT_TRUE(rig.monitor->Cycle());
        EXPECT_EQ(rig.card.Logic().ConfigurationsAccepted(), accepted + reloads);
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
    for (int i = 0; i < 2; ++i) EXPECT_TRUE(rig.monitor->Cycle());
    // The PID table cannot be verified on a logic that is not there either.
    const char* const once[] = {"读取配置文件出错!", "请重新发送一遍PID!"};
    EXPECT_EQ(rig.notices.TextsUtf8(),
              (std::vector<std::string>{once[0], once[1], once[0], once[1]}));
    WriteFile(rig.imagePath, sim::CCardLogicModel::MakeValidImage());
    EXPECT_TRUE(rig.monitor->Cycle());
    EXPECT_TRUE(rig.Restored());
    EXPECT_TRUE(rig.monitor->Cycle());
    EXPECT_EQ(rig.monitor->Reloads(), 3u);
}

TEST(CardMonitor, PersistentStatusFaultEndsTheMonitor) {
    // The repair's own message comes from the check's test; the monitor adds
    // its last word only when the repair did not hold.
    MonitorRig rig;
    rig.card.Status().SetFault(sim::StatusFault::Persistent);
    EXPECT_FALSE(rig.monitor->Cycle());
    EXPECT_EQ(rig.notices.TextsUtf8().back(), "93C46错误，内部寄存器0x51错误!");
    EXPECT_EQ(rig.monitor->Reloads(), 0u);
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

    MonitorRig broken;
    broken.card.Status().SetFault(sim::StatusFault::Persistent);
    broken.monitor->Start();
    EXPECT_TRUE(Eventually([&] { return !broken.monitor->Running(); }));
    EXPECT_EQ(broken.notices.Shown().size(), 2u);
}

}  // namespace
}  // namespace orbix::testing
