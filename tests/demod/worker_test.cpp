#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <limits>
#include <thread>

#include "card/pid_filter.h"
#include "db/record_text.h"
#include "demod/tune_worker.h"
#include "search/psi.h"
#include "tests/demod/demod_rig.h"

namespace orbix::testing {
namespace {

TEST(WorkerMath, FrequencyCorrectionPicksTheSideNearerTheRequest) {
    struct Case {
        double requested;
        int lo;
        int found;  // 100 kHz units
        const char* written;
    };
    const Case cases[] = {
        {12622, 11300, 13224, "12622.4"},  // LO below: LO + IF
        {3840, 5150, 13102, "3839.8"},     // C band, LO above: LO - IF
        {11052, 9750, 13019, "11051.9"},
    };
    for (const Case& c : cases) {
        const double corrected = CorrectedFrequency(c.requested, c.lo, c.found);
        EXPECT_EQ(FormatOneDecimal(static_cast<float>(corrected)), c.written);
    }
}

TEST(WorkerMath, RecordToTunerSettings) {
    struct Case {
        const char* polarisation;
        const char* tone;
        float frequency;
        const char* lo;
        std::uint8_t select;
        bool toneOn;
        std::int32_t tunerFrequency;
    };
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const Case cases[] = {
        {"水平", "关", 12622, "11300", 3, false, 13220},
        {"垂直", "开", 3840, "5150", 2, true, 13100},
        {"关", "开", 11052, "9750", 0, true, 13020},
        {"左旋", "on", 11052, "9750", 0, true, 13020},  // unknown texts
        {"", "", 11052, "自定义", 0, true, 110520},     // LO text without a number
        {"垂直", "关", 1e30f, "9750", 2, false, 163839},
        {"垂直", "关", nan, "9750", 2, false, 0},
        {"垂直", "关", inf, "9750", 2, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.polarisation);
        TransponderParams tp;
        tp.polarisation = Gbk(c.polarisation);
        tp.tone22k = Gbk(c.tone);
        tp.frequency = c.frequency;
        tp.lnbFrequency = Gbk(c.lo);
        const TuneSettings s = SettingsFor(tp);
        EXPECT_EQ(s.lnbSelect, c.select);
        EXPECT_EQ(s.toneOn, c.toneOn);
        EXPECT_EQ(s.tunerFrequency, c.tunerFrequency);
    }
}

TEST(WorkerMath, ActivePidList) {
    using Pids = std::vector<std::uint16_t>;
    struct Case {
        int count;
        std::string list;
        Pids pids;
    };
    std::string many;
    Pids first32;
    for (int i = 1; i <= 40; ++i) {
        many += std::to_string(i) + "|";
        if (i <= 32) first32.push_back(static_cast<std::uint16_t>(HexToInt(std::to_string(i))));
    }
    const Case cases[] = {
        {3, "100|200|1FFF|", {0x100, 0x200, 0x1FFF}},
        {0, "NOT FIND", {}},
        {3, "NOT FIND", {}},
        {5, "1ff|2a0|", {0x1FF, 0x2A0}},      // fewer entries than counted
        {2, "1ff|2a0|3b0|", {0x1FF, 0x2A0}},  // more entries than counted
        {4, "2000|zz||12345|", {}},           // not PIDs: skipped
        {3, "10|2000|20|", {0x10, 0x20}},
        {40, many, first32},
        {-1, "10|", {}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ParseActivePids(c.count, c.list), c.pids) << c.list;
    }
}

// The rig with a channel database holding every default-sky transponder, a
// PID filter and the worker.
struct WorkerRig : DemodRig {
    explicit WorkerRig(sim::Sky sky = sim::DefaultSky())
        : DemodRig(sky), database((dir.Path() / "SATSETUPL.ini").string()) {
        pids.SetCardAccess(&access);
        for (const auto& sat : sky.satellites) {
            for (const auto& tp : sat.transponders) {
                database.AddTransponder(RecordFor(sat, tp), [] { return true; });
            }
        }
        worker = std::make_unique<CTuneWorker>(demod, pids, state, clock, database.Path());
    }
    ~WorkerRig() {
        worker.reset();
        pids.SetCardAccess(nullptr);
    }

    void Request(const std::string& satellite, const std::string& transponder) {
        TuneTarget t = state.Current();
        t.satellite = satellite;
        t.transponder = transponder;
        database.ReadTransponder(satellite, transponder, t.tp);
        state.RequestTune(t);
    }
    std::string StoredFrequency(const std::string& satellite, const std::string& transponder) {
        TransponderParams tp;
        database.ReadTransponder(satellite, transponder, tp);
        return FormatOneDecimal(tp.frequency);
    }
    std::string LockedName() const {
        const auto t = frontEnd->LockedTransponder();
        return t ? t->name : std::string("(none)");
    }

    CChannelDatabase database;
    CPidFilter pids;
    CTuneSharedState state;
    std::unique_ptr<CTuneWorker> worker;
};

TEST(Worker, RequestLocksAndWritesTheFoundFrequencyBack) {
    WorkerRig rig;
    rig.database.WriteTransponderRecord(
        "Sat-Ku", 5, "12622V|12621.0|27500|" + Gbk("垂直") + "|10600|3/4|" + Gbk("关|Ku|开|"));
    rig.Request("Sat-Ku", "12622V");
    EXPECT_TRUE(rig.worker->Pass());
    EXPECT_EQ(rig.state.m_locked.load(), 1);
    EXPECT_EQ(rig.state.m_tuneRequest.load(), 0);
    EXPECT_EQ(rig.LockedName(), "12622V");
    // The carrier is at 12622 MHz; the found frequency comes in whole
    // 100 kHz steps.
    const std::string stored = rig.StoredFrequency("Sat-Ku", "12622V");
    EXPECT_TRUE(stored == "12622.0" || stored == "12621.9") << stored;
    EXPECT_EQ(FormatOneDecimal(rig.state.Current().tp.frequency), stored);
    // Locked and nothing asked: the next pass only checks the lock.
    const auto tunes = rig.worker->Tunes();
    EXPECT_TRUE(rig.worker->Pass());
    EXPECT_EQ(rig.worker->Tunes(), tunes);
}

TEST(Worker, FadeLosesTheLockAndTheWorkerRetunesUntilItReturns) {
    WorkerRig rig;
    rig.Request("Sat-C", "3840H");
    rig.worker->Pass();
    ASSERT_EQ(rig.state.m_locked.load(), 1);
    rig.frontEnd->StartFade(15, 3000);
    const auto tunes = rig.worker->Tunes();
    rig.worker->Pass();
    EXPECT_EQ(rig.state.m_locked.load(), 0);
    EXPECT_EQ(rig.worker->Tunes(), tunes + 1);
    rig.clock.Advance(3000);
    rig.worker->Pass();
    EXPECT_EQ(rig.state.m_locked.load(), 1);
    EXPECT_EQ(rig.LockedName(), "3840H");
}

TEST(Worker, BadRecordsNeitherLockNorSpin) {
    struct Case {
        const char* what;
        std::string record;  // stored as TP1 of "Bad"
        const char* asked;   // transponder name asked for
    };
    const std::string v = Gbk("垂直");
    const std::string off = Gbk("关");
    const Case cases[] = {
        {"symbol rate 0", "X|11052.0|0|" + v + "|9750|3/4|" + off + "|Ku|" + off + "|", "X"},
        {"symbol rate 999", "X|11052.0|999|" + v + "|9750|3/4|" + off + "|Ku|" + off + "|", "X"},
        {"frequency below LO", "X|9000.0|27500|" + v + "|9750|3/4|" + off + "|Ku|" + off + "|",
         "X"},
        {"unknown polarisation", "X|11052.0|27500|V|9750|3/4|" + off + "|Ku|" + off + "|", "X"},
        {"unknown 22K text", "X|11052.0|27500|" + v + "|9750|3/4|" + off + "|Ku|maybe|", "X"},
        {"no fields", "garbage", "X"},
        {"missing record", "X|11052.0|27500|" + v + "|9750|3/4|" + off + "|Ku|" + off + "|",
         "absent"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WorkerRig rig;
        rig.database.WriteTransponderRecord("Bad", 1, c.record);
        rig.Request("Bad", c.asked);
        const std::int64_t before = rig.clock.SleptMs();
        for (int i = 0; i < 4; ++i) {
            EXPECT_TRUE(rig.worker->Pass()) << "a pause follows every failed pass";
            EXPECT_EQ(rig.state.m_locked.load(), 0);
        }
        EXPECT_EQ(rig.worker->Tunes(), 4u);
        // Each attempt waits out at least the LNB, tone and tune pauses.
        EXPECT_GE(rig.clock.SleptMs() - before, 4 * 300);
        EXPECT_EQ(rig.LockedName(), "(none)");
    }
}

TEST(Worker, RestoresTheStoredPidListOnce) {
    WorkerRig rig;
    rig.database.WritePidLists({3, "100|200|1FFF|", 0, ""});
    rig.state.m_restorePids = 1;
    rig.Request("Sat-Ku", "11052V");
    rig.worker->Pass();
    std::vector<std::uint16_t> user;
    for (std::uint16_t slot : rig.pids.Table()) {
        if ((slot & 0x6000) == CPidFilter::kUserClass) user.push_back(slot & 0x1FFF);
    }
    EXPECT_EQ(user, (std::vector<std::uint16_t>{0x100, 0x200, 0x1FFF}));
    EXPECT_EQ(rig.state.m_restorePids.load(), 0);
    EXPECT_EQ(rig.card.Logic().PidTable(), rig.pids.Table());
}

TEST(Worker, MissingPidCountClearsTheUserList) {
    WorkerRig rig;
    const std::uint16_t old[] = {0x300};
    rig.pids.SetUserPids(old);
    rig.state.m_restorePids = 1;
    rig.worker->Pass();
    for (std::uint16_t slot : rig.pids.Table()) EXPECT_EQ(slot & 0x2000, 0);
}

// Waits, in real time, for a condition the worker thread brings about.
template <typename F>
bool Eventually(F condition) {
    for (int i = 0; i < 20000; ++i) {
        if (condition()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return false;
}

TEST(Worker, RequestDuringATuneIsHonouredAfterwards) {
    WorkerRig rig;
    rig.worker->Start();
    rig.Request("Sat-Ku", "11052V");
    ASSERT_TRUE(Eventually([&] { return rig.worker->Tunes() >= 1; }));
    rig.Request("Sat-Ku", "12380H");
    ASSERT_TRUE(Eventually([&] {
        return rig.state.m_tuneRequest.load() == 0 && rig.state.m_locked.load() == 1 &&
               rig.LockedName() == "12380H";
    }));
    rig.worker->Stop();
    EXPECT_EQ(rig.state.Current().transponder, "12380H");
}

// Virtual time, except that the worker's pause between passes lasts until
// the worker is stopped: a stop that did not wake it would hang the test.
class CPauseForeverClock final : public IClock {
  public:
    void SleepMs(std::int64_t ms) override { m_inner.SleepMs(ms); }
    bool SleepUnlessStopped(std::int64_t ms, CStopSignal& stop) override {
        if (ms < CTuneWorker::kPauseMs) return m_inner.SleepUnlessStopped(ms, stop);
        pausing.store(true);
        while (!stop.WaitFor(1000)) {
        }
        return false;
    }
    std::int64_t NowMs() const override { return m_inner.NowMs(); }
    std::atomic<bool> pausing{false};

  private:
    CVirtualClock m_inner;
};

TEST(Worker, StopWakesThePauseAndJoins) {
    WorkerRig rig;
    CPauseForeverClock pauseClock;
    rig.worker = std::make_unique<CTuneWorker>(rig.demod, rig.pids, rig.state, pauseClock,
                                               rig.database.Path());
    rig.Request("Sat-Ku", "11052V");
    rig.worker->Start();
    ASSERT_TRUE(Eventually([&] { return pauseClock.pausing.load(); }));
    EXPECT_EQ(rig.state.m_locked.load(), 1);
    rig.worker->Stop();
    rig.worker->Stop();  // a second stop is harmless
}

TEST(Worker, StopCutsTheTunePausesAndTheSearchShort) {
    // 20000 kS/s in an empty sky: the search tries three sub-ranges, each
    // with its own tuner setting, unless told to stop.
    for (const bool stopped : {false, true}) {
        SCOPED_TRACE(stopped ? "stopped" : "running");
        DemodRig rig(sim::Sky{});
        CStopSignal stop;
        if (stopped) stop.Request();
        rig.demod.SetStopSignal(&stop);
        rig.demod.SetLnbSelect(2);
        const std::int64_t slept = rig.clock.SleptMs();
        EXPECT_EQ(rig.demod.TuneTransponder(20000, 13000), 0);
        EXPECT_EQ(rig.frontEnd->TunerProgrammings(), stopped ? 2u : 4u);
        if (stopped) {
            EXPECT_LT(rig.clock.SleptMs() - slept, 100);
        } else {
            EXPECT_GE(rig.clock.SleptMs() - slept, 350);
        }
        rig.demod.SetStopSignal(nullptr);
    }
}

}  // namespace
}  // namespace orbix::testing
