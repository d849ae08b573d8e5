// The play, stop and save commands with a fake player, on the simulated card.
#include "app/player/player_control.h"

#include <signal.h>
#include <sys/stat.h>

#include <QtTest/QtTest>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>

#include "platform/text.h"
#include "support/card_fixture.h"
#include "tests/player/fake_player.h"
#include "ui/post_to_gui.h"

using namespace orbix;

namespace {

// A program under "电视节目".
ProgramSelection Tv(const char* nameUtf8) {
    return ProgramSelection::Program(Gbk(nameUtf8), ProgramGroup::Tv);
}

constexpr int kPort = 23511;

struct CScriptedSaveDialog final : ISaveFileDialog {
    std::optional<std::string> AskSavePath() override {
        ++asked;
        if (answers.empty()) return std::nullopt;
        return std::exchange(answers, {}).front();
    }
    std::vector<std::string> answers;
    int asked = 0;
};

// The PIDs the filter passes for the program, in hexadecimal, sorted.
std::string PassedPids(const CPidFilter& filter) {
    std::vector<std::uint16_t> pids =
        orbix::testing::ClassPids(filter.Table(), CPidFilter::kProgramClass);
    std::ranges::sort(pids);
    std::string out;
    for (std::uint16_t pid : pids) {
        char hex[8];
        std::snprintf(hex, sizeof hex, out.empty() ? "%x" : ",%x", pid);
        out += hex;
    }
    return out;
}

bool Alive(int pid) { return pid > 0 && ::kill(pid, 0) == 0; }

}  // namespace

class PlayerControlTest : public QObject {
    Q_OBJECT

    struct Rig {
        orbix::testing::CardFixture card;
        CPidFilter filter;
        CChannelDatabase db{(card.dir.Path() / "SATSETUPL.ini").string()};
        CRecordingNotices notices;
        CScriptedSaveDialog dialog;
        orbix::testing::CFakePlayer fake{card.dir.Path()};
        bool locked = true, missing = false;
        std::vector<std::string> labels;  // UTF-8
        int emptyMs, startMs, stopMs;
        // Owned apart, so that a test can end it as the program's shutdown does.
        std::unique_ptr<CPlayerControl> owned = std::make_unique<CPlayerControl>(
            PlayerCollaborators{filter, db, notices, dialog, [this] { return locked; },
                                [this](const std::string& t) { labels.push_back(Utf8(t)); }},
            PlayerOptions{kPort, [this] { return missing ? std::string() : fake.Script(); },
                          CurrentRunAs, startMs, stopMs, emptyMs});
        CPlayerControl& control = *owned;
        explicit Rig(int emptyRecordingMs = 60000, int startupGraceMs = 1000,
                     int stopGraceMs = 3000)
            : emptyMs(emptyRecordingMs), startMs(startupGraceMs), stopMs(stopGraceMs) {
            filter.SetCardAccess(&card.access);
            const ProgramEntry programs[] = {
                {"", Gbk("节目1"), Gbk("电视节目"), "100", "102", "00", "101", "101"},
                {"", Gbk("节目2"), Gbk("电视节目"), "200", "202", "00", "201", "203"},
                {"", Gbk("节目长名称"), Gbk("广播节目"), "300", "302", "00", "00", "302"}};
            for (int i = 0; i < 3; ++i) db.WriteProgram(Gbk("节目") + char('1' + i), programs[i]);
            db.WriteProgramCount(3);
        }
        std::string Dir() const { return card.dir.Path().string(); }
        // The players started that still run.
        int AlivePlayers() const {
            int alive = 0;
            for (const auto& call : fake.Calls()) alive += Alive(call.pid) ? 1 : 0;
            return alive;
        }
    };

  private slots:
    // Each refusal shows its message, starts nothing and leaves the label.
    void refusalsStartNothing() {
        const struct {
            bool locked;
            bool save;
            std::optional<ProgramSelection> selection;
            const char* message;
        } cases[] = {
            {true, false, std::nullopt, "请选中您想播放的节目节目"},
            {true, false, ProgramSelection::Group(ProgramGroup::Radio), "请选中您想播放的节目节目"},
            {false, false, Tv("节目1"), "请检查信号是否锁定!"},
            {true, false, Tv("节目9(加扰)"), "无法播放加扰节目!"},
            {false, true, Tv("节目1"), "请检查信号是否锁定！"},
            {true, true, std::nullopt, "请先搜索节目！"},
            {true, true, ProgramSelection::Group(ProgramGroup::Ip), "不能保存IP节目"},
            {true, true, ProgramSelection::Group(ProgramGroup::Tv), "请选中一个节目"},
            {true, true, Tv("节目9(加扰)"), "您所保存的是加扰节目，无法播放！"},
        };
        for (const auto& c : cases) {
            Rig rig;
            rig.locked = c.locked;
            if (c.save)
                rig.control.SaveCommand(c.selection);
            else
                rig.control.PlayCommand(c.selection);
            QCOMPARE(rig.notices.TextsUtf8(), std::vector<std::string>{c.message});
            QVERIFY(rig.fake.Calls().empty() && rig.dialog.asked == 0 && rig.labels.empty());
        }
    }

    // The program's PIDs (here six slots: the PAT, four PIDs, the SDT) must
    // fit beside the user's list: one slot short refuses play and record,
    // naming the list, and starts nothing; exactly enough starts.
    void programPidsMustFitBesideTheUserList() {
        for (const bool save : {false, true}) {
            for (const int userPids : {27, 26}) {
                Rig rig;
                std::vector<std::uint16_t> user;
                for (int i = 0; i < userPids; ++i) user.push_back(std::uint16_t(0x1000 + i));
                rig.filter.SetUserPids(user);
                rig.dialog.answers = {rig.Dir() + "/a.ts"};
                if (save)
                    rig.control.SaveCommand(Tv("节目1"));
                else
                    rig.control.PlayCommand(Tv("节目1"));
                QTRY_VERIFY(!rig.control.Busy());
                const bool fits = userPids == 26;
                QCOMPARE(rig.fake.Calls().size(), fits ? 1u : 0u);
                QCOMPARE(rig.filter.ProgramRoom(), 32 - userPids);
                if (fits) continue;
                QCOMPARE(rig.notices.TextsUtf8(),
                         std::vector<std::string>{
                             "无法播放或保存：节目需要6个PID位置，但用户PID列表（PID设置）"
                             "已占用PID表32个位置中的27个。请先在PID设置中取消一些PID!"});
                QVERIFY(rig.dialog.asked == 0 && rig.labels.empty());
                QVERIFY(!rig.control.Playing() && !rig.control.Saving());
            }
        }
    }

    // A player user without a home of its own gets a fresh private folder
    // for each start, never a name another user could make first, and the
    // folder goes with the player.
    void playerHomeIsFreshPrivateAndRemoved() {
        if (::geteuid() != 0) QSKIP("only root starts the player as another user");
        Rig rig;
        const std::string script = rig.Dir() + "/home-vlc";
        std::ofstream(script) << "#!/bin/sh\necho \"$HOME\" > \"$(dirname \"$0\")/home\"\n"
                                 "exec sleep 120\n";
        ::chmod(script.c_str(), 0755);
        const player::RunAs nobody{true,
                                   {player::kNobodyId, player::kNobodyId, "", "/nonexistent"}};
        const std::string tmp = QDir::tempPath().toStdString();
        std::set<std::string> homes;
        for (int i = 0; i < 2; ++i) {
            std::filesystem::remove(rig.Dir() + "/home");
            CPlayerProcess process;
            std::optional<CPlayerProcess::StartResult> started;
            process.Start(script, {}, nobody, 100, [&](auto result) { started = result; });
            QTRY_VERIFY(started.has_value());
            QCOMPARE(*started, CPlayerProcess::StartResult::Started);
            std::string home;
            QTRY_VERIFY((std::ifstream(rig.Dir() + "/home") >> home, !home.empty()));
            struct stat st {};
            QVERIFY(::lstat(home.c_str(), &st) == 0 && S_ISDIR(st.st_mode));
            QCOMPARE(st.st_uid, player::kNobodyId);
            QCOMPARE(st.st_mode & 07777, 0700u);
            QVERIFY(home.starts_with(tmp + "/orbixrx-player-") &&
                    home != tmp + "/orbixrx-player-" + std::to_string(player::kNobodyId));
            homes.insert(home);
            std::optional<bool> ended;
            process.Stop(3000, [&](bool result) { ended = result; });
            QTRY_VERIFY(ended.has_value() && *ended);
            QVERIFY(!std::filesystem::exists(home));
        }
        QCOMPARE(homes.size(), 2u);
    }

    // A recording whose file stays empty is told once, after the set time or
    // at stop, with the cause: the player runs (the card sent nothing) or it
    // has ended (the player failed). A file with data is not.
    void emptyRecordingIsTold() {
        const char* kNoData = "仍是空的：播放器在运行，但卡没有送来节目数据";
        const char* kFailed = "仍是空的：播放器已经退出";
        const struct {
            const char* what;
            int emptyMs;
            bool kill, write;
            const char* told;
        } cases[] = {
            {"nothing comes", 200, false, false, kNoData},
            {"the player dies", 200, true, false, kFailed},
            {"stopped first", 60000, false, false, kNoData},
            {"data written", 200, false, true, nullptr},
        };
        for (const auto& c : cases) {
            Rig rig(c.emptyMs);
            const std::string path = rig.Dir() + "/rec.mpg";
            rig.dialog.answers.push_back(path);
            rig.control.SaveCommand(Tv("节目1"));
            QTRY_VERIFY2(rig.control.Saving(), c.what);
            if (c.write) std::ofstream(path) << "data";
            if (c.kill) ::kill(rig.fake.Calls().at(0).pid, SIGKILL);
            if (c.emptyMs < 1000 && c.told) QTRY_COMPARE(rig.notices.TextsUtf8().size(), 1u);
            if (!c.told) QTest::qWait(c.emptyMs + 300);  // nothing to wait for but the time
            rig.control.StopCommand();
            QTRY_VERIFY(!rig.control.Busy());
            const std::vector<std::string> told = rig.notices.TextsUtf8();
            QVERIFY2(told.size() == (c.told ? 1u : 0u), c.what);
            if (c.told) QVERIFY2(told[0].find(c.told) != std::string::npos, c.what);
            if (c.told) QVERIFY2(told[0].find("rec.mpg") != std::string::npos, c.what);
        }
    }

    // A player that cannot start, or ends within a second, is a failure the
    // user hears of; play neither sends PIDs nor claims to play.
    void failedStartsAreTold() {
        for (const bool missing : {false, true}) {
            Rig rig;
            rig.fake.ExitAtOnce();
            rig.missing = missing;
            CPlayerControl& control = rig.control;
            control.PlayCommand(Tv("节目1"));
            QTRY_VERIFY(!control.Busy());
            QVERIFY(!control.Playing());
            QCOMPARE(rig.filter.Table()[0], std::uint16_t{0});
            QCOMPARE(rig.notices.TextsUtf8(),
                     std::vector<std::string>{"无法启动VLC播放器，请检查是否已安装VLC!"});
            rig.dialog.answers.push_back(rig.Dir() + "/x.mpg");
            control.SaveCommand(Tv("节目1"));
            QTRY_VERIFY(!control.Busy());
            QVERIFY(!control.Saving() && rig.labels.empty());
            QCOMPARE(rig.notices.TextsUtf8().back(), std::string("保存失败!"));
        }
    }

    // A player slow to start (its whole grace), one that ends late in its
    // start, and one slow to stop (it ignores the request and must be
    // killed): the command returns while the player is still being waited
    // for, the event loop runs on meanwhile, and the outcome is today's.
    void eventLoopRunsWhileThePlayerIsSlow() {
        const struct {
            const char* what;
            void (orbix::testing::CFakePlayer::*slow)() const;
            bool stop;
            bool playing;
            std::vector<std::string> told;
            const char* lastLabel;
        } cases[] = {
            {"slow to start", nullptr, false, true, {}, "正在播放节目1"},
            {"ends during its start",
             &orbix::testing::CFakePlayer::EndsLate,
             false,
             false,
             {"无法启动VLC播放器，请检查是否已安装VLC!"},
             "(none)"},
            {"slow to stop", &orbix::testing::CFakePlayer::IgnoreTerm, true, false, {}, ""},
        };
        for (const auto& c : cases) {
            Rig rig(60000, 2000, 1500);
            if (c.slow) (rig.fake.*c.slow)();
            if (c.stop) {
                rig.control.PlayCommand(Tv("节目1"));
                QTRY_VERIFY_WITH_TIMEOUT(rig.control.Playing(), 10000);
            }
            int ticksWhileBusy = 0;
            QTimer ticker;
            QObject::connect(&ticker, &QTimer::timeout, &ticker,
                             [&] { ticksWhileBusy += rig.control.Busy() ? 1 : 0; });
            ticker.start(20);
            if (c.stop)
                rig.control.StopCommand();
            else
                rig.control.PlayCommand(Tv("节目1"));
            QVERIFY2(rig.control.Busy() && rig.control.Playing() == c.stop, c.what);
            bool posted = false;
            PostToGui(&ticker, [&posted] { posted = true; });
            QTRY_VERIFY2(posted, c.what);
            QVERIFY2(rig.control.Busy(), c.what);  // the posted call ran during the wait
            QTRY_VERIFY_WITH_TIMEOUT(!rig.control.Busy(), 10000);
            QVERIFY2(ticksWhileBusy >= 3, c.what);
            QVERIFY2(rig.control.Playing() == c.playing, c.what);
            QVERIFY2(rig.notices.TextsUtf8() == c.told, c.what);
            QCOMPARE(rig.AlivePlayers(), c.playing ? 1 : 0);
            QCOMPARE(rig.labels.empty() ? std::string("(none)") : rig.labels.back(),
                     std::string(c.lastLabel));
        }
    }

    // Commands given in quick succession, without waiting for the player, end
    // as the same commands given one after the other did (the player started
    // never as root, on the stream port): play waits for the
    // stop under way, stop gives up a start still pending (whose program is
    // then never shown), and the shutdown (a stop, then the end of the
    // control) leaves no player behind, a stubborn one included.
    void quickSequences() {
        const struct {
            const char* what;
            bool stubborn;  // the players ignore the request to end
            std::vector<const char*> steps;
            bool playing;
            const char* lastLabel;
            bool firstShown;  // "正在播放节目1" appeared
            bool saving = false;
        } cases[] = {
            // clang-format off
            {"play, stop, play", false, {"play1", "settle", "stop", "play2"}, true, "正在播放节目2", true},
            {"play, stop, play at once", false, {"play1", "stop", "play2"}, true, "正在播放节目2", false},
            {"play, play at once", false, {"play1", "play2"}, true, "正在播放节目2", true},
            {"stop during a pending start", false, {"play1", "stop"}, false, "", false},
            {"stop twice during a stop", true, {"play1", "settle", "stop", "stop"}, false, "", true},
            // A second start after a stop runs from the state the stop left.
            {"record, stop, play", false, {"save1", "settle", "stop", "settle", "play2"}, true,
             "正在播放节目2", false},
            {"play, stop, record", false, {"play1", "settle", "stop", "settle", "save1"}, false,
             "正在保存节目1", true, true},
            {"record, stop, record it again", false, {"save1", "settle", "stop", "settle", "save1"},
             false, "正在保存节目1", false, true},
            {"play, stop, stop again", false, {"play1", "settle", "stop", "settle", "stop"}, false,
             "", true},
            {"play and stop twice, then play", false,
             {"play1", "settle", "stop", "settle", "play1", "settle", "stop", "settle", "play2"},
             true, "正在播放节目2", true},
            {"shutdown during a pending start", false, {"play1", "shutdown"}, false, nullptr, false},
            {"shutdown during a pending stop", true, {"play1", "settle", "stop", "shutdown"}, false,
             nullptr, true},
            // clang-format on
        };
        for (const auto& c : cases) {
            Rig rig(60000, 1000, 1000);
            if (c.stubborn) rig.fake.IgnoreTerm();
            bool shutDown = false;
            for (const std::string step : c.steps) {
                if (step == "play1") rig.control.PlayCommand(Tv("节目1"));
                if (step == "play2") rig.control.PlayCommand(Tv("节目2"));
                if (step == "stop") rig.control.StopCommand();
                if (step == "save1") {
                    rig.dialog.answers = {rig.Dir() + "/rec.mpg"};
                    std::ofstream(rig.dialog.answers[0]) << "data";  // not an empty recording
                    ::chmod(rig.dialog.answers[0].c_str(), 0666);    // the player's user writes it
                    rig.control.SaveCommand(Tv("节目1"));
                }
                if (step == "settle") QTRY_VERIFY_WITH_TIMEOUT(!rig.control.Busy(), 10000);
                if (step == "shutdown") {
                    rig.control.StopPlayer();
                    rig.owned.reset();
                    shutDown = true;
                }
            }
            if (!shutDown) QTRY_VERIFY_WITH_TIMEOUT(!rig.control.Busy(), 10000);
            QVERIFY2(rig.notices.Shown().empty(), c.what);
            const unsigned user = ::geteuid() == 0 ? CurrentRunAs().user.uid : ::geteuid();
            for (const auto& call : rig.fake.Calls()) QVERIFY(call.uid == user && user != 0);
            if (c.playing) QCOMPARE(rig.fake.Calls().back().args, player::PlayArguments(kPort));
            QVERIFY2(rig.AlivePlayers() == (c.playing || c.saving ? 1 : 0), c.what);
            const bool shown = std::ranges::count(rig.labels, std::string("正在播放节目1")) > 0;
            QVERIFY2(shown == c.firstShown, c.what);
            if (shutDown) continue;
            QVERIFY2(rig.control.Playing() == c.playing, c.what);
            QVERIFY2(rig.control.Saving() == c.saving, c.what);
            QVERIFY2(rig.labels.back() == c.lastLabel, c.what);
            // The PAT, the SDT and the program's own PIDs, the PCR in its own
            // slot even on the video PID; none for a zero second audio; nothing
            // once stopped.
            const bool second = std::string(c.lastLabel).ends_with('2');
            const char* pids = !c.playing && !c.saving ? ""
                               : second                ? "0,11,200,201,202,203"
                                                       : "0,11,100,101,101,102";
            QCOMPARE(PassedPids(rig.filter).c_str(), pids);
        }
    }

    // The recording path reaches the player as one argument, unchanged apart
    // from the chain quoting; the label cuts a long name.
    void recordingPathWithAwkwardCharactersIsOneArgument() {
        Rig rig;
        const std::string path = rig.Dir() + "/a b,c{d}'q\"$(x) \\.mpg";
        rig.dialog.answers.push_back(path);
        rig.control.SaveCommand(Tv("节目长名称"));
        QTRY_VERIFY(rig.control.Saving());
        QCOMPARE(rig.fake.Calls().at(0).args, player::RecordArguments(kPort, path));
        QCOMPARE(rig.labels.back(), std::string("正在保存节..."));
        QCOMPARE(rig.filter.Table()[1], std::uint16_t{0x6300});
    }

    // While recording: the same program is refused, another asks first; No
    // and a cancelled dialog leave the recording running, Yes and a file
    // replace it; play is refused.
    void secondSaveWhileRecording() {
        Rig rig;
        rig.dialog.answers.push_back(rig.Dir() + "/one.mpg");
        rig.control.SaveCommand(Tv("节目1"));
        QTRY_VERIFY(rig.control.Saving());
        const int first = rig.fake.Calls().at(0).pid;
        rig.control.SaveCommand(Tv("节目1"));
        QCOMPARE(rig.notices.TextsUtf8().back(), std::string("正在保存节目1"));
        rig.notices.ScriptAnswer(NoticeAnswer::No);
        rig.control.SaveCommand(Tv("节目2"));
        QCOMPARE(rig.notices.Shown().back().buttons, NoticeButtons::YesNo);
        QCOMPARE(rig.notices.TextsUtf8().back(),
                 std::string("正在保存节目1,是否放弃保存节目1,开始保存节目2?"));
        rig.notices.ScriptAnswer(NoticeAnswer::Yes);
        rig.control.SaveCommand(Tv("节目2"));  // dialog cancelled
        QVERIFY(rig.control.Saving() && Alive(first));
        QCOMPARE(rig.fake.Calls().size(), 1u);
        rig.control.PlayCommand(Tv("节目2"));
        QCOMPARE(rig.notices.TextsUtf8().back(),
                 std::string("正在保存节目，要停止保存请按关闭按纽!"));

        rig.notices.ScriptAnswer(NoticeAnswer::Yes);
        rig.dialog.answers.push_back(rig.Dir() + "/two.mpg");
        rig.control.SaveCommand(Tv("节目2"));
        QTRY_VERIFY(!rig.control.Busy());
        QVERIFY(!Alive(first) && Alive(rig.fake.Calls().at(1).pid));
        QCOMPARE(Utf8(rig.control.LastSavedProgram()), std::string("节目2"));
        QCOMPARE(rig.filter.Table()[1], std::uint16_t{0x6200});
    }

    // As root the player runs as another user; a file that user cannot write
    // is refused before anything is stopped or started.
    void unwritableRecordingFileIsRefused() {
        if (::geteuid() != 0) QSKIP("needs root to run the player as another user");
        Rig rig;
        const std::filesystem::path closed = rig.card.dir.Path() / "closed";
        std::filesystem::create_directory(closed);
        ::chmod(closed.c_str(), 0700);
        rig.dialog.answers.push_back((closed / "x.mpg").string());
        rig.control.SaveCommand(Tv("节目1"));
        QVERIFY(!rig.control.Saving());
        QVERIFY(rig.fake.Calls().empty());
        QVERIFY(rig.notices.TextsUtf8().back().find("无法写入") != std::string::npos);
    }
};

QTEST_MAIN(PlayerControlTest)
#include "player_control_test.moc"
