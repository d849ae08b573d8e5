#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <tuple>

#include "card/pid_filter.h"
#include "db/record_text.h"
#include "tests/demod/demod_rig.h"
#include "tests/support/card_fixture.h"
#include "tests/support/eventually.h"

namespace orbix::testing {
namespace {

TEST(WorkerMath, FoundFrequencyRoundsToTheNearestTenthAndRecordsGiveTheSettings) {
    // requested, LO, found (kHz), stored text
    const std::tuple<double, int, int, const char*> cases[] = {
        {12622.0, 10600, 2021960, "12622.0"},  // cut off, this was 12621.9
        {11111.3, 9750, 1361280, "11111.3"},   // cut off, this was 11111.2
        {3840.0, 5150, 1310040, "3840.0"},     // inverting LNB: IF above, frequency below
        {3840.0, 5150, 1310230, "3839.8"},
    };
    for (const auto& [requested, lo, foundKhz, text] : cases) {
        const float found = static_cast<float>(CorrectedFrequencyKhz(requested, lo, foundKhz));
        EXPECT_EQ(FormatOneDecimal(found), text) << requested << " found " << foundKhz;
    }
    constexpr float nan = std::numeric_limits<float>::quiet_NaN();
    // Record: polarisation, 22K, frequency, LO; settings: LNB select, tone,
    // tuner frequency (100 kHz).
    const std::tuple<const char*, const char*, float, const char*, int, bool, int> records[] = {
        {"水平", "关", 12622, "11300", 3, false, 13220},
        {"垂直", "开", 3840, "5150", 2, true, 13100},
        {"关", "开", 11052, "9750", 0, true, 13020},
        {"", "", 11052, "自定义", 0, true, 110520},  // LO text without a number
        {"垂直", "关", 1e30f, "9750", 2, false, 163839},
        {"垂直", "关", nan, "9750", 2, false, 0},
    };
    for (const auto& [polarisation, tone, frequency, lo, select, toneOn, tunerFrequency] :
         records) {
        TransponderParams tp;
        std::tie(tp.frequency, tp.polarisation, tp.lnbFrequency, tp.tone22k) =
            std::tuple(frequency, Gbk(polarisation), Gbk(lo), Gbk(tone));
        const TuneSettings s = SettingsFor(tp);
        EXPECT_EQ(std::tuple(s.lnbSelect, s.toneOn, s.tunerFrequency),
                  std::tuple(select, toneOn, tunerFrequency))
            << polarisation << " " << frequency;
    }
}

// The rig with a channel database holding every built-in transponder, a PID
// filter and the worker.
struct WorkerRig : DemodRig {
    WorkerRig() : database((dir.Path() / "SATSETUPL.ini").string()) {
        pids.SetCardAccess(&access);
        StoreSky(database, BuiltInSky());
        worker = std::make_unique<CTuneWorker>(demod, pids, state, clock, database.Path());
    }
    void Request(const std::string& satellite, const std::string& transponder) {
        TuneTarget t{satellite, transponder, {}};
        database.ReadTransponder(satellite, transponder, t.tp);
        state.RequestTune(t);
    }

    CChannelDatabase database;
    CPidFilter pids;
    CTuneSharedState state;
    std::unique_ptr<CTuneWorker> worker;
};

TEST(Worker, LocksAndRetunesOnlyAfterAFade) {
    WorkerRig rig;
    rig.Request("Sat-Ku", "12622V");
    EXPECT_TRUE(rig.worker->Pass());
    EXPECT_FALSE(rig.state.TuneRequested());
    const auto tunes = rig.worker->Tunes();
    rig.frontEnd->StartFade(15, 3000);
    rig.worker->Pass();
    EXPECT_EQ(std::pair(rig.state.Locked(), rig.worker->Tunes()), std::pair(false, tunes + 1));
    rig.clock.Advance(3000);
    rig.worker->Pass();
    EXPECT_TRUE(rig.state.Locked());
    EXPECT_EQ(rig.LockedName(), "12622V");
}

TEST(Worker, BadRecordsNeitherLockNorSpin) {
    const std::string v = Gbk("垂直"), tail = "|9750|3/4|" + Gbk("关|Ku|关|");
    // What, the fields after the name of TP1 "X" of "Bad", the transponder asked for.
    const std::tuple<const char*, std::string, const char*> cases[] = {
        {"symbol rate 999", "11052.0|999|" + v, "X"},
        {"frequency below LO", "9000.0|27500|" + v, "X"},
        {"unknown polarisation", "11052.0|27500|V", "X"},
        {"missing record", "11052.0|27500|" + v, "absent"},
    };
    for (const auto& [what, fields, asked] : cases) {
        SCOPED_TRACE(what);
        WorkerRig rig;
        rig.database.WriteTransponderRecord("Bad", 1, "X|" + fields + tail);
        rig.Request("Bad", asked);
        const std::int64_t before = rig.clock.SleptMs();
        for (int i = 0; i < 4; ++i) EXPECT_TRUE(rig.worker->Pass()) << "a pause follows each";
        EXPECT_EQ(rig.worker->Tunes(), 4u);
        // Each attempt waits out at least the LNB, tone and tune pauses.
        EXPECT_GE(rig.clock.SleptMs() - before, 4 * 300);
        EXPECT_EQ(std::pair(rig.state.Locked(), rig.LockedName()), std::pair(false, std::string()));
    }
}

TEST(Worker, ActivePidListRestoredOnce) {
    using Pids = std::vector<std::uint16_t>;
    // Without a stored count the old user PIDs go; either way only once.
    for (const bool stored : {true, false}) {
        WorkerRig rig;
        const std::uint16_t old[] = {0x300};
        rig.pids.SetUserPids(old);
        if (stored) rig.database.WritePidLists({3, "100|200|1FFF|", 0, ""});
        rig.state.RequestPidRestore();
        rig.Request("Sat-Ku", "11052V");
        rig.worker->Pass();
        const Pids user = ClassPids(rig.card.Logic().PidTable(), CPidFilter::kUserClass);
        EXPECT_EQ(user, (stored ? Pids{0x100, 0x200} : Pids{})) << stored;
        EXPECT_FALSE(rig.state.PidRestorePending());
    }
}

TEST(Worker, FoundFrequencyWrittenBackAtTheCarrierFromEitherSide) {
    // Ku band below and above 11.7 GHz (LO under the carrier) and C band
    // (inverting LNB, LO over the carrier); records off the carrier by up to
    // 3 MHz, on both sides.
    const std::tuple<std::size_t, std::size_t, double> cases[] = {
        {0, 0, -2.6}, {0, 0, 1.2}, {0, 4, -1.2}, {0, 4, 2.6}, {1, 0, -0.1}, {1, 0, 2.6}};
    for (const auto& [sat, index, offset] : cases) {
        const TransponderParams carrier = BuiltInRecord(sat, index);
        WorkerRig rig;
        TransponderParams record = carrier, stored;
        record.frequency = static_cast<float>(carrier.frequency + offset);
        ASSERT_TRUE(rig.database.EditTransponder(record));
        rig.Request(carrier.satellite, carrier.name);
        rig.worker->Pass();
        rig.database.ReadTransponder(carrier.satellite, carrier.name, stored);
        EXPECT_EQ(FormatOneDecimal(stored.frequency), FormatOneDecimal(carrier.frequency))
            << carrier.name << " record off by " << offset;
        EXPECT_EQ(std::pair(rig.worker->Status().frequency, rig.state.Current().tp.frequency),
                  std::pair(stored.frequency, stored.frequency));
    }
}

TEST(Worker, SwitchDuringTheTuneLeavesTheFoundFrequencyUnwritten) {
    WorkerRig rig;
    TransponderParams first = BuiltInRecord(0, 4);  // 12622V
    first.frequency = 12621.0f;
    ASSERT_TRUE(rig.database.EditTransponder(first));
    rig.Request("Sat-Ku", "12622V");
    // The front end reads the LNB control while the search measures the
    // signal: the user picks another transponder right then.
    bool switched = false;
    rig.frontEnd->SetControlSource([&] {
        if (rig.worker->Tunes() == 1 && !switched) {
            switched = true;
            rig.Request("Sat-Ku", "11052V");
        }
        return rig.card.Logic().Control();
    });
    EXPECT_FALSE(rig.worker->Pass()) << "the next pass follows at once";
    ASSERT_TRUE(switched);
    TransponderParams stored;
    rig.database.ReadTransponder("Sat-Ku", "12622V", stored);
    EXPECT_EQ(FormatOneDecimal(stored.frequency), "12621.0");
    EXPECT_EQ(rig.state.Current().transponder + rig.state.Current().tp.name, "11052V11052V");
    EXPECT_TRUE(rig.state.TuneRequested());
    rig.worker->Pass();
    EXPECT_EQ(rig.LockedName() + rig.worker->Status().transponder, "11052V11052V");
}

// The write-back changes only the frequency of the record it tuned: an edit,
// a renumbering or a rename made while the tune ran is kept as the user made
// it, and no neighbour is touched.
TEST(Worker, WriteBackLeavesARecordChangedDuringTheTune) {
    const std::string edited = "12622V|12621.0|27500|垂直|10600|7/8|开|Ku|开|";
    const std::tuple<const char*, std::function<void(CChannelDatabase&)>, const char*, const char*>
        cases[] = {
            // what the user did, the change, then TP4 and TP5 of Sat-Ku afterwards
            {"edited",
             [&](CChannelDatabase& db) { db.WriteTransponderRecord("Sat-Ku", 5, Gbk(edited)); },
             "12380H|12380.0|5000f|水平|10600|1/2|关|Ku|开|", edited.c_str()},
            {"renumbered", [](CChannelDatabase& db) { db.DeleteTransponder("Sat-Ku", "11052V"); },
             "12622V|12621.0|27500|垂直|10600|3/4|关|Ku|开|", "NOT FIND"},
            {"renamed",
             [](CChannelDatabase& db) {
                 db.WriteTransponderRecord("Sat-Ku", 5,
                                           Gbk("New|12621.0|27500|垂直|10600|3/4|关|Ku|开|"));
             },
             "12380H|12380.0|5000f|水平|10600|1/2|关|Ku|开|",
             "New|12621.0|27500|垂直|10600|3/4|关|Ku|开|"},
        };
    for (const auto& [what, change, tp4, tp5] : cases) {
        WorkerRig rig;
        TransponderParams first = BuiltInRecord(0, 4);  // 12622V, TP5 of Sat-Ku
        first.frequency = 12621.0f;
        ASSERT_TRUE(rig.database.EditTransponder(first));
        rig.Request("Sat-Ku", "12622V");
        bool changed = false;
        rig.frontEnd->SetControlSource([&] {
            if (rig.worker->Tunes() == 1 && !changed) {
                changed = true;
                change(rig.database);
            }
            return rig.card.Logic().Control();
        });
        rig.worker->Pass();
        ASSERT_TRUE(changed) << what;
        EXPECT_EQ(rig.LockedName(), "12622V") << what;
        EXPECT_EQ(Utf8(rig.database.ReadTransponderRecord("Sat-Ku", 4)), tp4) << what;
        EXPECT_EQ(Utf8(rig.database.ReadTransponderRecord("Sat-Ku", 5)), tp5) << what;
    }
}

TEST(Worker, StatusTellsEachChangeWithTheReasonOfAFailure) {
    WorkerRig rig;
    std::vector<TuneStatus> seen;
    rig.worker->SetStatusListener([&](const TuneStatus& s) { seen.push_back(s); });
    rig.database.WriteTransponderRecord(
        "Sat-Ku", 6, "Nowhere|11800.0|27500|" + Gbk("垂直") + "|9750|3/4|" + Gbk("关|Ku|关|"));
    // What is asked, whether the chip answers, the failure told.
    const std::tuple<const char*, bool, TuneFailure> steps[] = {
        {"11052V", true, TuneFailure::None},
        {"Nowhere", true, TuneFailure::NoLock},
        {"11052V", false, TuneFailure::DemodulatorSilent},
    };
    for (const auto& [asked, answers, failure] : steps) {
        SCOPED_TRACE(asked);
        rig.frontEnd->SetDemodSilent(!answers);
        rig.Request("Sat-Ku", asked);
        rig.worker->Pass();
        ASSERT_FALSE(seen.empty());
        const TuneStatus& s = seen.back();
        EXPECT_EQ(
            std::tuple(s.locked, s.settled, s.transponder, s.failure, s.attempt),
            std::tuple(failure == TuneFailure::None, true, asked, failure, rig.worker->Tunes()));
        if (failure != TuneFailure::None) continue;
        const auto before = std::pair(seen.size(), rig.worker->Tunes());
        EXPECT_TRUE(rig.worker->Pass());
        EXPECT_EQ(std::pair(seen.size(), rig.worker->Tunes()), before)
            << "still locked, nothing asked: no tune, nothing told";
    }
}

// Virtual time, except that the worker's pause between passes lasts until
// the worker is stopped: a stop that did not wake it would hang the test.
struct CPauseForeverClock final : IClock {
    void SleepMs(std::int64_t ms) override { inner.SleepMs(ms); }
    bool SleepUnlessStopped(std::int64_t ms, CStopSignal& stop) override {
        if (ms < CTuneWorker::kPauseMs) return inner.SleepUnlessStopped(ms, stop);
        pausing = true;
        while (!stop.WaitFor(1000)) {
        }
        return false;
    }
    std::int64_t NowMs() const override { return inner.NowMs(); }
    CVirtualClock inner;
    std::atomic<bool> pausing{false};
};

// A lock command drops the old lock in the step that raises the request: a
// worker pass that read the previous transponder's lock just before cannot
// put it back until it has taken the request.
TEST(TuneState, LockCommandDropsTheOldLockUntilTheRequestIsTaken) {
    CTuneSharedState state;
    // step, then Locked() and TuneRequested() after it
    enum Step { Worker, WorkerUnlocked, Command, Take };
    const std::tuple<Step, bool, bool> steps[] = {
        {Worker, true, false},  {Command, false, true},        {Worker, false, true},
        {Worker, false, true},  {Take, false, false},          {Worker, true, false},
        {Command, false, true}, {WorkerUnlocked, false, true}, {Take, false, false},
    };
    int i = 0;
    for (const auto& [step, locked, requested] : steps) {
        switch (step) {
            case Worker:
                EXPECT_EQ(state.PublishLocked(true), locked) << i;
                break;
            case WorkerUnlocked:
                EXPECT_FALSE(state.PublishLocked(false)) << i;
                break;
            case Command:
                state.RequestTune({"Sat-Ku", "11052V", {}});
                break;
            case Take:
                EXPECT_TRUE(state.TakeTuneRequest()) << i;
                break;
        }
        EXPECT_EQ(std::pair(state.Locked(), state.TuneRequested()), std::pair(locked, requested))
            << i++;
    }
}

TEST(Worker, StopWakesThePauseAndJoins) {
    WorkerRig rig;
    CPauseForeverClock clock;
    rig.worker =
        std::make_unique<CTuneWorker>(rig.demod, rig.pids, rig.state, clock, rig.database.Path());
    rig.Request("Sat-Ku", "11052V");
    rig.worker->Start();
    ASSERT_TRUE(Eventually([&] { return clock.pausing.load(); }));
    EXPECT_TRUE(rig.state.Locked());
    rig.worker->Stop();
}

TEST(Worker, StopCutsTheTunePausesAndTheSearchShort) {
    // 20000 kS/s in an empty sky: the search tries three sub-ranges, each
    // with its own tuner setting, unless told to stop.
    for (const bool stopped : {false, true}) {
        CStopSignal stop;
        DemodRig rig(sim::Sky{});
        if (stopped) stop.Request();
        rig.demod.SetStopSignal(&stop);
        rig.demod.SetLnbSelect(2);
        const std::int64_t slept = rig.clock.SleptMs();
        EXPECT_EQ(rig.demod.TuneTransponder(20000, 13000), 0);
        EXPECT_EQ(rig.frontEnd->TunerProgrammings(), stopped ? 2u : 4u) << stopped;
        const std::int64_t pauses = rig.clock.SleptMs() - slept;
        EXPECT_TRUE(stopped ? pauses < 100 : pauses >= 350) << pauses;
    }
}

}  // namespace
}  // namespace orbix::testing
