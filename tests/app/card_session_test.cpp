#include "app/card_session.h"

#include <gtest/gtest.h>

#include <thread>

#include "sim/front_end.h"
#include "support/card_fixture.h"
#include "support/eventually.h"
#include "support/sky_record.h"

namespace orbix {
namespace {

using testing::CTempDir;
using testing::Eventually;

TEST(LoadLastTransponder, FirstLastLineOrTheDefaultRecord) {
    const std::string v = Gbk("垂直"), off = Gbk("关");
    const std::string sat =
        "[Main]\r\nNUM=1\r\nSAT1=Sat-Ku\r\n[Sat-Ku]\r\nNUMTP=1\r\nTP1=11052V|11052.0|27500|" + v +
        "|9750|3/4|" + off + "|Ku|" + off + "|\r\n";
    const std::string def =
        "[Default]\r\nsino=CETV|12622|32.533|" + v + "|11300|3/4|" + off + "|Ku|" + off + "|\r\n";
    struct Case {
        const char* what;
        std::string file;
        std::string satellite, transponder, record;
    };
    const Case cases[] = {
        {"last line", sat + "[Last]\r\nSat-Ku=11052V\r\nSat-Ku=Other\r\n", "Sat-Ku", "11052V",
         "11052V"},
        {"line without =", sat + def + "[Last]\r\nSat-Ku\r\n", "sino", "kept", "CETV"},
        {"record gone", sat + "[Last]\r\nSat-Ku=Gone\r\n", "", "Gone", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CTempDir dir;
        const auto path = dir.Path() / "SATSETUPL.ini";
        testing::WriteBytes(path.string(), c.file);
        const TuneTarget t =
            LoadLastTransponder(CChannelDatabase(path.string()), TuneTarget{"", "kept", {}});
        EXPECT_EQ(std::tie(t.satellite, t.transponder, t.tp.name),
                  std::tie(c.satellite, c.transponder, c.record));
    }
}

// Blocks every notice until released, as the windows' notices do until the
// user answers or shutdown begins.
struct CBlockingNotices final : INotices {
    NoticeAnswer Show(const Notice&) override {
        waiting = true;
        released.wait(false);
        return NoticeAnswer::Ok;
    }
    std::atomic<bool> waiting{false}, released{false};
};

// A simulated card in front of the built-in sky, its image and a channel
// database holding the sky's transponders and an active PID list; virtual
// time.
struct SessionRig {
    explicit SessionRig(INotices* otherNotices = nullptr) {
        frontEnd = sim::CSimFrontEnd::Create(sim::DefaultSky(), clock);
        frontEnd->AttachTo(card);
        testing::WriteFile(dir.Path() / "conwh.ocx", sim::CCardLogicModel::MakeValidImage());
        CChannelDatabase database(DatabasePath());
        StoreSky(database, sim::DefaultSky());
        database.WriteLockAndLast("Sat-Ku", "11052V");
        database.WritePidLists({2, "100|1ff|", 0, ""});
        const std::string image = (dir.Path() / "conwh.ocx").string();
        session = std::make_unique<CCardSession>(
            CardSessionContext{card,
                               clock,
                               otherNotices ? *otherNotices : notices,
                               card.IoBase(),
                               image,
                               DatabasePath(),
                               {}});
    }
    std::string DatabasePath() const { return (dir.Path() / "SATSETUPL.ini").string(); }
    std::vector<std::uint16_t> UserPids() {
        return testing::ClassPids(card.Logic().PidTable(), CPidFilter::kUserClass);
    }

    CTempDir dir;
    CVirtualClock clock;
    sim::CSimCard card;
    std::shared_ptr<sim::CSimFrontEnd> frontEnd;
    CRecordingNotices notices;
    std::unique_ptr<CCardSession> session;
};

TEST(CardSession, BringsUpTunesTheLastTransponderRestoresPidsAndShutsDownClean) {
    SessionRig rig;
    std::mutex mutex;
    std::vector<CardStatus> seen;
    rig.session->AddStatusListener([&](const CardStatus& s) {
        std::lock_guard lock(mutex);
        seen.push_back(s);
    });
    ASSERT_TRUE(rig.session->BringUp());
    EXPECT_TRUE(rig.notices.Shown().empty());
    EXPECT_EQ(rig.session->Current().transponder, "11052V");
    ASSERT_TRUE(Eventually([&] { return rig.session->LastStatus().tune.locked; }));
    ASSERT_TRUE(Eventually([&] { return rig.session->LastStatus().signal.level > 0; }));
    ASSERT_TRUE(Eventually([&] {
        return rig.UserPids() == std::vector<std::uint16_t>{0x100, 0x1FF};
    }));

    rig.session->RequestTune({"Sat-Ku", "12622V", {}});
    ASSERT_TRUE(Eventually([&] {
        const TuneStatus t = rig.session->LastStatus().tune;
        return t.locked && t.transponder == "12622V";
    }));
    EXPECT_TRUE(rig.session->MonitorRunning());

    rig.session->Shutdown();
    EXPECT_FALSE(rig.session->IsUp());
    EXPECT_FALSE(rig.session->MonitorRunning());
    EXPECT_EQ(rig.card.Logic().PidTable(), (std::array<std::uint16_t, 32>{}));
    std::lock_guard lock(mutex);
    ASSERT_FALSE(seen.empty());
    for (std::size_t i = 1; i < seen.size(); ++i) EXPECT_EQ(seen[i].serial, seen[i - 1].serial + 1);
    EXPECT_EQ(seen.back().serial, rig.session->LastStatus().serial);
}

TEST(CardSession, FailedBringUpTellsWhyAndStartsNothing) {
    struct Case {
        const char* what;
        std::function<void(SessionRig&)> spoil;
        std::vector<std::string> messages;
    };
    const Case cases[] = {
        {"status fault",
         [](SessionRig& r) { r.card.Status().SetFault(sim::StatusFault::Persistent); },
         {"捕捉到软件冲突，已恢复！", "93C46错误，内部寄存器0x51错误!"}},
        {"no image",
         [](SessionRig& r) { std::filesystem::remove(r.dir.Path() / "conwh.ocx"); },
         {"读取配置文件出错!", "本软件与当前硬件版本不匹配，请与设备供应商联系！"}},
        {"silent demodulator",
         [](SessionRig& r) { r.frontEnd->SetDemodSilent(true); },
         {"初始化高频头失败!"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SessionRig rig;
        c.spoil(rig);
        ::testing::internal::CaptureStderr();
        EXPECT_FALSE(rig.session->BringUp());
        const std::string stderrText = ::testing::internal::GetCapturedStderr();
        EXPECT_FALSE(rig.session->IsUp());
        EXPECT_FALSE(rig.session->MonitorRunning());
        // Shutdown adds nothing: a card whose logic never answered has no
        // PID table to clear.
        rig.session->Shutdown();
        EXPECT_EQ(rig.notices.TextsUtf8(), c.messages);
        EXPECT_EQ(stderrText.find("conwh.ocx: No such file") != std::string::npos,
                  std::string(c.what) == "no image")
            << stderrText;
    }
}

TEST(CardSession, ShutdownEndsWhileTheMonitorWaitsOnANotice) {
    CBlockingNotices notices;
    SessionRig rig(&notices);
    ASSERT_TRUE(rig.session->BringUp());
    // The monitor meets a status fault and waits for the user.
    rig.card.Status().SetFault(sim::StatusFault::Transient);
    ASSERT_TRUE(Eventually([&] { return notices.waiting.load(); }));
    std::thread closer([&] { rig.session->Shutdown(); });
    // The windows release waiting notices once shutdown has begun.
    ASSERT_TRUE(Eventually([&] { return !rig.session->IsUp(); }));
    notices.released = true;
    notices.released.notify_all();
    closer.join();
    EXPECT_EQ(rig.card.Logic().PidTable(), (std::array<std::uint16_t, 32>{}));
}

}  // namespace
}  // namespace orbix
