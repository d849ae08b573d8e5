// The real player records through the program's own record command from the
// stream the simulated card sends: what it writes holds the chosen program
// and nothing of another, and decodes to pictures and sound, not filler.
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
#include "support/two_program_stream.h"

using namespace orbix;

namespace {

QStringList Streams(const std::string& path) {
    return orbix::testing::FfprobeStreams(QString::fromStdString(path));
}

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

// Stores "节目1" with the PIDs given, lets the card stream `stream` once the
// PAT passes, as after a search, and records that program for five seconds.
void RecordProgram1(orbix::testing::CardFixture& card, const sim::LockedStream& stream,
                    const ProgramEntry& entry, const std::string& recording) {
    const int port = 20000 + static_cast<int>(::getpid() % 20000);
    sim::CStreamOutput output{sim::ViewOfLogic(card.card.Logic()),
                              [&]() -> std::optional<sim::LockedStream> { return stream; },
                              {"127.255.255.255", port, 2}};
    std::string error;
    QVERIFY2(output.Start(error), error.c_str());
    CChannelDatabase db((card.dir.Path() / "SATSETUPL.ini").string());
    db.WriteProgram(Gbk("节目1"), entry);
    db.WriteProgramCount(1);
    CPidFilter filter;
    filter.SetCardAccess(&card.access);
    QVERIFY(filter.SetPatPid());
    QTRY_VERIFY_WITH_TIMEOUT(output.PacketsSent() > 0, 20000);
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
}

}  // namespace

class PlayerVlcTest : public QObject {
    Q_OBJECT

    orbix::testing::CardFixture* m_card = nullptr;

  private slots:
    void init() {
        if (!orbix::testing::PlayerAndProbeInstalled())
            QSKIP("VLC or ffmpeg is not installed (tools/install_deps.sh installs them)");
        m_card = new orbix::testing::CardFixture;
        QVERIFY(m_card->access.LoadConfiguration());
        m_card->access.SetLnbSelect(2);
        ::chmod(m_card->dir.Path().c_str(), 0777);  // the player may run as nobody
    }
    void cleanup() {
        delete m_card;
        m_card = nullptr;
    }

    void recordsOneProgramOfTheCardStream() {
        const std::string source = (m_card->dir.Path() / "two.ts").string();
        // Program 1: 160x120 video, 48 kHz audio; program 2: 320x240, 32 kHz.
        QVERIFY(orbix::testing::MakeTwoProgramStream(source));
        // ffmpeg's defaults: PMT 0x1000, streams from 0x100; program 2 is not asked for.
        const std::string recording = (m_card->dir.Path() / "rec {1},'a\" b.mpg").string();
        RecordProgram1(*m_card, {"two", "file:" + source, 0},
                       {"", Gbk("节目1"), Gbk("电视节目"), "1000", "101", "00", "100", "100"},
                       recording);
        if (QTest::currentTestFailed()) return;

        struct stat st {};
        QCOMPARE(::stat(recording.c_str(), &st), 0);
        QVERIFY(st.st_size > 100'000);
        if (::geteuid() == 0) QCOMPARE(static_cast<unsigned>(st.st_uid), CurrentRunAs().user.uid);
        const QStringList streams = Streams(recording);
        QVERIFY2(streams.size() == 2 && streams[0].startsWith("audio,48000") &&
                     streams[1].startsWith("video,160"),
                 qPrintable(streams.join(" | ")));
    }

    // Program 1 of the built-in news10 multiplex: PMT, audio 1, audio 2,
    // video, PCR, as the search stores it.
    void recordingOfNews10DecodesToPicturesAndSound() {
        std::string why;
        if (!sim::LoadMediaLibrary(why)) QSKIP(why.c_str());
        const std::string recording = (m_card->dir.Path() / "news10.mpg").string();
        RecordProgram1(*m_card, {"news10", "news10", 0},
                       {"", Gbk("节目1"), Gbk("电视节目"), "1001", "211", "212", "210", "210"},
                       recording);
        if (QTest::currentTestFailed()) return;

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

QTEST_MAIN(PlayerVlcTest)
#include "player_vlc_test.moc"
