// The real player records program 1 of the simulated card's news10
// multiplex through the program's own record command, and what it writes
// decodes: pictures and sound, not filler.
#include <sys/stat.h>

#include <QProcess>
#include <QRegularExpression>
#include <QtTest/QtTest>

#include "app/player/player_control.h"
#include "platform/text.h"
#include "sim/media_mux.h"
#include "sim/stream_output.h"
#include "support/card_fixture.h"
#include "support/recording_test.h"

using namespace orbix;

namespace {

// ffprobe's decoded frame count of the recording's first stream of a type.
int DecodedFrames(const std::string& path, const char* type) {
    QProcess probe;
    probe.start("ffprobe", {"-v", "error", "-select_streams", QString(type) + ":0", "-count_frames",
                            "-show_entries", "stream=nb_read_frames", "-of", "csv=p=0",
                            QString::fromStdString(path)});
    probe.waitForFinished(60000);
    // The first number: the stream, listed again under its program.
    const QString out = QString::fromUtf8(probe.readAllStandardOutput());
    return QRegularExpression("\\d+").match(out).captured().toInt();
}

}  // namespace

class PlayerMediaTest : public QObject {
    Q_OBJECT

  private slots:
    void recordingOfNews10DecodesToPicturesAndSound() {
        if (!orbix::testing::PlayerAndProbeInstalled())
            QSKIP("VLC or ffmpeg is not installed (tools/install_deps.sh installs them)");
        std::string why;
        if (!sim::LoadMediaLibrary(why)) QSKIP(why.c_str());
        orbix::testing::CardFixture card;
        QVERIFY(card.access.LoadConfiguration());
        card.access.SetLnbSelect(2);
        ::chmod(card.dir.Path().c_str(), 0777);  // the player may run as nobody

        const int port = 20000 + static_cast<int>((::getpid() + 7) % 20000);
        sim::CStreamOutput output{sim::ViewOfLogic(card.card.Logic()),
                                  []() -> std::optional<sim::LockedStream> {
                                      return sim::LockedStream{"news10", "news10", 0};
                                  },
                                  {"127.255.255.255", port, 2}};
        std::string error;
        QVERIFY2(output.Start(error), error.c_str());
        // Program 1 as the search stores it: PMT, audio 1, audio 2, video, PCR.
        CChannelDatabase db((card.dir.Path() / "SATSETUPL.ini").string());
        db.WriteProgram(Gbk("节目1"),
                        {"", Gbk("节目1"), Gbk("电视节目"), "1001", "211", "212", "210", "210"});
        db.WriteProgramCount(1);

        CPidFilter filter;
        filter.SetCardAccess(&card.access);
        // The card streams once the PAT passes, as after a search: the media
        // cache is read by then, and the recording starts on a running stream.
        QVERIFY(filter.SetPatPid());
        QTRY_VERIFY_WITH_TIMEOUT(output.PacketsSent() > 0, 20000);
        const std::string recording = (card.dir.Path() / "news10.mpg").string();
        orbix::testing::COneAnswerDialog dialog;
        dialog.path = recording;
        CRecordingNotices notices;
        CPlayerControl control{
            {filter, db, notices, dialog, [] { return true; }, [](const std::string&) {}},
            {port, LocatePlayer, CurrentRunAs, 1000, 5000}};
        control.SaveCommand(ProgramSelection::Program(Gbk("节目1"), ProgramGroup::Tv));
        QTRY_VERIFY_WITH_TIMEOUT(!control.Busy(), 10000);
        QVERIFY(notices.Shown().empty() && control.Saving());
        QTest::qWait(5000);  // the length of the recording, not a synchronisation
        control.StopCommand();
        QTRY_VERIFY_WITH_TIMEOUT(!control.Busy(), 20000);
        output.Stop();

        // 25 pictures a second; MPEG audio frames of 24 ms.
        struct stat st {};
        ::stat(recording.c_str(), &st);
        const int pictures = DecodedFrames(recording, "v");
        const int sounds = DecodedFrames(recording, "a");
        const QString got = QString("%1 bytes, %2 pictures, %3 audio frames")
                                .arg(st.st_size)
                                .arg(pictures)
                                .arg(sounds);
        QVERIFY2(pictures >= 50 && sounds * 24 >= 1000, qPrintable(got));
    }
};

QTEST_MAIN(PlayerMediaTest)
#include "player_media_test.moc"
