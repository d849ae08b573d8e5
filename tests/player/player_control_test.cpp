// The play, stop and save commands with a fake player, on the simulated card.
#include "app/player/player_control.h"

#include <signal.h>

#include <QtTest/QtTest>

#include "platform/text.h"
#include "support/card_fixture.h"
#include "tests/player/fake_player.h"

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
        CPlayerControl control{{filter, db, notices, dialog, [this] { return locked; },
                                [this](const std::string& t) { labels.push_back(Utf8(t)); }},
                               {kPort, [this] { return missing ? std::string() : fake.Script(); },
                                CurrentRunAs, 1000, 3000}};
        Rig() {
            filter.SetCardAccess(&card.access);
            const ProgramEntry programs[] = {
                {"", Gbk("节目1"), Gbk("电视节目"), "100", "102", "00", "101", "101"},
                {"", Gbk("节目2"), Gbk("电视节目"), "200", "202", "00", "201", "203"},
                {"", Gbk("节目长名称"), Gbk("广播节目"), "300", "302", "00", "00", "302"}};
            for (int i = 0; i < 3; ++i) db.WriteProgram(Gbk("节目") + char('1' + i), programs[i]);
            db.WriteProgramCount(3);
        }
        std::string Dir() const { return card.dir.Path().string(); }
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

    // Play starts the player, never as root, on the stream port; stop ends it.
    // (The PIDs on the card are checked end to end.)
    void playAndStopRunTheFakePlayer() {
        Rig rig;
        rig.control.PlayCommand(Tv("节目2"));
        const auto calls = rig.fake.Calls();
        QCOMPARE(calls.size(), 1u);
        QCOMPARE(calls[0].args, player::PlayArguments(kPort));
        QCOMPARE(calls[0].uid, ::geteuid() == 0 ? CurrentRunAs().user.uid : ::geteuid());
        QVERIFY(calls[0].uid != 0 && Alive(calls[0].pid));
        QCOMPARE(rig.labels.back(), std::string("正在播放节目2"));
        rig.control.StopCommand();
        rig.control.StopCommand();  // a second stop finds nothing to end
        QVERIFY(!Alive(calls[0].pid) && rig.notices.Shown().empty());
        QCOMPARE(rig.labels.back(), std::string(""));
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
            QVERIFY(!control.Playing());
            QCOMPARE(rig.filter.Table()[0], std::uint16_t{0});
            QCOMPARE(rig.notices.Shown().size(), 1u);
            rig.dialog.answers.push_back(rig.Dir() + "/x.mpg");
            control.SaveCommand(Tv("节目1"));
            QVERIFY(!control.Saving() && rig.labels.empty());
            QCOMPARE(rig.notices.TextsUtf8().back(), std::string("保存失败!"));
        }
    }

    // The recording path reaches the player as one argument, unchanged apart
    // from the chain quoting; the label cuts a long name.
    void recordingPathWithAwkwardCharactersIsOneArgument() {
        Rig rig;
        const std::string path = rig.Dir() + "/a b,c{d}'q\"$(x) \\.mpg";
        rig.dialog.answers.push_back(path);
        rig.control.SaveCommand(Tv("节目长名称"));
        QVERIFY(rig.control.Saving());
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
