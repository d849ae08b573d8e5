// The real player records one program of a two-program stream that the
// simulated card sends: what it writes holds that program and nothing of
// the other.
#include <sys/stat.h>

#include <QtTest/QtTest>

#include "app/player/player_control.h"
#include "platform/text.h"
#include "sim/stream_output.h"
#include "support/card_fixture.h"
#include "support/recording_test.h"
#include "support/two_program_stream.h"

using namespace orbix;

namespace {

// A program under "电视节目".
ProgramSelection Tv(const char* nameUtf8) {
    return ProgramSelection::Program(Gbk(nameUtf8), ProgramGroup::Tv);
}

QStringList Streams(const std::string& path) {
    return orbix::testing::FfprobeStreams(QString::fromStdString(path));
}

}  // namespace

class PlayerVlcTest : public QObject {
    Q_OBJECT

  private slots:
    void recordsOneProgramOfTheCardStream() {
        if (!orbix::testing::PlayerAndProbeInstalled())
            QSKIP("VLC or ffmpeg is not installed (tools/install_deps.sh installs them)");
        orbix::testing::CardFixture card;
        QVERIFY(card.access.LoadConfiguration());
        card.access.SetLnbSelect(2);
        ::chmod(card.dir.Path().c_str(), 0777);  // the player may run as nobody
        const std::string source = (card.dir.Path() / "two.ts").string();
        // Program 1: 160x120 video, 48 kHz audio; program 2: 320x240, 32 kHz.
        QVERIFY(orbix::testing::MakeTwoProgramStream(source));

        const int port = 20000 + static_cast<int>(::getpid() % 20000);
        sim::CStreamOutput output{sim::ViewOfLogic(card.card.Logic()),
                                  [&]() -> std::optional<sim::LockedStream> {
                                      return sim::LockedStream{"two", "file:" + source, 0};
                                  },
                                  {"127.255.255.255", port, 2}};
        std::string error;
        QVERIFY2(output.Start(error), error.c_str());
        // ffmpeg's defaults: PMT 0x1000, streams from 0x100; program 2 is not asked for.
        CChannelDatabase db((card.dir.Path() / "SATSETUPL.ini").string());
        db.WriteProgram(Gbk("节目1"),
                        {"", Gbk("节目1"), Gbk("电视节目"), "1000", "101", "00", "100", "100"});
        db.WriteProgramCount(1);

        CPidFilter filter;
        filter.SetCardAccess(&card.access);
        const std::string recording = (card.dir.Path() / "rec {1},'a\" b.mpg").string();
        orbix::testing::COneAnswerDialog dialog;
        dialog.path = recording;
        CRecordingNotices notices;
        CPlayerControl control{
            {filter, db, notices, dialog, [] { return true; }, [](const std::string&) {}},
            {port, LocatePlayer, CurrentRunAs, 1000, 5000}};
        control.SaveCommand(Tv("节目1"));
        QTRY_VERIFY_WITH_TIMEOUT(!control.Busy(), 10000);
        QVERIFY(notices.Shown().empty() && control.Saving());
        QTest::qWait(5000);  // the length of the recording, not a synchronisation
        control.StopCommand();
        QTRY_VERIFY_WITH_TIMEOUT(!control.Busy(), 20000);
        output.Stop();

        struct stat st {};
        QCOMPARE(::stat(recording.c_str(), &st), 0);
        QVERIFY(st.st_size > 100'000);
        if (::geteuid() == 0) QCOMPARE(static_cast<unsigned>(st.st_uid), CurrentRunAs().user.uid);
        const QStringList streams = Streams(recording);
        QVERIFY2(streams.size() == 2 && streams[0].startsWith("audio,48000") &&
                     streams[1].startsWith("video,160"),
                 qPrintable(streams.join(" | ")));
    }
};

QTEST_MAIN(PlayerVlcTest)
#include "player_vlc_test.moc"
