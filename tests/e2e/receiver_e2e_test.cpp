// orbixrx end to end on a real X server: the program's own wiring, driven
// through its windows with mouse presses on the skinned buttons. A fresh
// folder, the default database, the demo transponder added through the
// parameter dialog, lock, search, play with a stand-in player, record with
// the real player, stop, delete a program, edit the transponder, drag the
// group, hide and restore through the tray menu, close. After each step the
// file, the card's PID table and the recording are checked.
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>
#include <fstream>
#include <set>
#include <sstream>

#include "app/receiver_dlg.h"
#include "app/receiver_program.h"
#include "platform/text.h"
#include "player/fake_player.h"
#include "sim/card_logic_model.h"
#include "sim/sim_card.h"
#include "ui/button_table.h"
#include "ui/sattree/sat_param_dialog.h"

namespace orbix {
namespace {

constexpr int kClose = 2, kPlay = 3, kStop = 4, kSave = 5, kTree = 6, kList = 7;
constexpr int kDeleteProgram = 10, kAdd = 13, kEdit = 15, kLock = 16, kSearch = 17;

QPoint Centre(int button) {
    const ButtonEntry& b = g_buttonTable[button];
    return {b.left + b.width / 2, b.top + b.height / 2};
}

void Click(QWidget& w, int button) {
    QTest::mousePress(&w, Qt::LeftButton, {}, Centre(button));
    QTest::mouseRelease(&w, Qt::LeftButton, {}, Centre(button));
}

// A real click on an item of a tree, as the windows' click handlers want.
void ClickItem(QTreeWidget& tree, QTreeWidgetItem* item) {
    tree.scrollToItem(item);
    QTest::mouseClick(tree.viewport(), Qt::LeftButton, {}, tree.visualItemRect(item).center());
}

QTreeWidgetItem* FindItem(QTreeWidget& tree, const QString& parent, const QString& child) {
    for (int i = 0; i < tree.topLevelItemCount(); ++i) {
        QTreeWidgetItem* top = tree.topLevelItem(i);
        if (top->text(0) != parent) continue;
        top->setExpanded(true);
        for (int j = 0; j < top->childCount(); ++j)
            if (top->child(j)->text(0) == child) return top->child(j);
    }
    return nullptr;
}

QStringList Children(QTreeWidget& tree, const QString& group) {
    QStringList names;
    for (QTreeWidgetItem* top : tree.findItems(group, Qt::MatchExactly))
        for (int j = 0; j < top->childCount(); ++j) names << top->child(j)->text(0);
    return names;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

// Shown as bytes when a comparison fails.
QByteArray Bytes(const std::string& s) { return QByteArray::fromStdString(s); }

// The card's PID table as PIDs of the program class.
std::multiset<std::uint16_t> CardProgramPids(IPortIo& ports) {
    std::multiset<std::uint16_t> pids;
    for (std::uint16_t slot : dynamic_cast<sim::CSimCard&>(ports).Logic().PidTable())
        if ((slot & CPidFilter::kProgramClass) == CPidFilter::kProgramClass)
            pids.insert(slot & 0x1FFF);
    return pids;
}

// A PID set as text, so that a failed comparison shows it.
QString Hex(const std::multiset<std::uint16_t>& pids) {
    QStringList out;
    for (std::uint16_t pid : pids) out << QString::number(pid, 16);
    return out.join(',');
}

// What playing or recording a program puts into the table: PAT, its PMT,
// PCR, video and audio PIDs
// and the SDT.

std::multiset<std::uint16_t> PidsOf(const ProgramEntry& e) {
    std::multiset<std::uint16_t> pids{0, 0x11};
    for (const std::string* pid : {&e.pmtPid, &e.pcrPid, &e.videoPid, &e.audioPid1})
        pids.insert(static_cast<std::uint16_t>(HexToInt(*pid)));
    // A program without a second audio PID gives that slot no entry.
    if (HexToInt(e.audioPid2) != 0) pids.insert(static_cast<std::uint16_t>(HexToInt(e.audioPid2)));
    return pids;
}

// ffprobe's view of a file's streams, one "type,width,sample rate" a line.
QStringList Streams(const QString& path) {
    QProcess probe;
    probe.start("ffprobe", {"-v", "error", "-show_entries", "stream=codec_type,width,sample_rate",
                            "-of", "csv=p=0", path});
    probe.waitForFinished(60000);
    QStringList lines =
        QString::fromUtf8(probe.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    lines.removeDuplicates();  // streams are listed again under their program
    lines.sort();
    return lines;
}

// Runs answer on the next modal dialog of type T, once it is up.
template <typename T>
void WhenModal(std::function<void(T*)> answer) {
    auto* timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [timer, answer] {
        auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget());
        if (dialog == nullptr || !dialog->isVisible()) return;
        timer->stop();
        timer->deleteLater();
        answer(dialog);
    });
    timer->start(50);
}

// Fills the parameter dialog's lists: polarisation, LNB, FEC, DiSEqC, band, 22K.
void FillLists(CSatParamDlg* dialog, const QStringList& values) {
    const QList<QComboBox*> combos = dialog->findChildren<QComboBox*>();
    QCOMPARE(combos.size(), values.size());
    for (int i = 0; i < combos.size(); ++i) combos[i]->setCurrentText(values[i]);
}

const std::string kVertical = Gbk("垂直"), kOn = Gbk("开"), kOff = Gbk("关");
// The default content with the demo transponder added through the dialog.
const std::string kDefaultFile =
    "[Main]\r\nNUM=1\r\nSAT1=sino\r\n[sino]\r\nNUMTP=1\r\nTP1=CETV|12622|32.533|" + kVertical +
    "|11300|" + Gbk("自动") + "|" + kOn + "|Ku|" + kOn + "|\r\n";

}  // namespace

class ReceiverE2eTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<testing::CFakePlayer> m_fake;
    QStringList m_boxes;        // texts of message boxes nobody expected
    IPortIo* m_card = nullptr;  // the running program's simulated card

    std::string Path(const char* name) const {
        return m_dir.filePath(QString::fromLatin1(name)).toStdString();
    }
    std::string Ini() const { return ReadFile(Path("SATSETUPL.ini")); }

    void Steps(const RunningReceiver& run);
    void AddDemoTransponder(CSatTreeDlg& tree);
    void LockAndSearch(CReceiverDlg& dlg, CSatTreeDlg& tree, CProgramListDlg& list);
    void PlayRecordAndStop(const RunningReceiver& run, CProgramListDlg& list);
    void DeleteAndEdit(CSatTreeDlg& tree, CProgramListDlg& list);
    void DragAndTray(CReceiverDlg& dlg);

  private slots:
    void initTestCase();
    void scenario();
};

void ReceiverE2eTest::initTestCase() {
    if (std::system("command -v vlc >/dev/null && ffprobe -version >/dev/null 2>&1") != 0)
        QSKIP("VLC or ffmpeg is not installed (tools/install_deps.sh installs them)");
    QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));
    QVERIFY(m_dir.isValid());
    ::chmod(m_dir.path().toLocal8Bit().constData(), 0777);  // the player runs as nobody
    // Two programs: 1 is 160x120 video with 48 kHz audio, 2 is 320x240 with 32 kHz.
    QDir(m_dir.path()).mkdir("fake");
    m_fake = std::make_unique<testing::CFakePlayer>(Path("fake"));
    const std::string make =
        "ffmpeg -v error -y -f lavfi -i testsrc=s=160x120:r=25 -f lavfi -i sine=f=440:r=48000 "
        "-f lavfi -i testsrc2=s=320x240:r=25 -f lavfi -i sine=f=880:r=32000 -t 4 "
        "-map 0:v -map 1:a -map 2:v -map 3:a -c:v mpeg2video -b:v 300k -c:a mp2 -b:a 64k "
        "-program program_num=1:st=0:st=1 -program program_num=2:st=2:st=3 "
        "-muxrate 2000000 -f mpegts '" +
        Path("two.ts") + "'";
    QCOMPARE(std::system(make.c_str()), 0);
    std::ofstream(Path("sky.txt")) << "satellite Sat-Ku ku\n"
                                      "transponder 12622V 12622 V 27500 3/4 level=-30 cn=13 "
                                      "stream=file:"
                                   << Path("two.ts") << "\n";
    const auto image = sim::CCardLogicModel::MakeValidImage();
    std::ofstream(Path("conwh.ocx"), std::ios::binary)
        .write(reinterpret_cast<const char*>(image.data()),
               static_cast<std::streamsize>(image.size()));
    qputenv("ORBIXRX_CARD", "simulated");
    qputenv("ORBIXRX_SKY", QByteArray::fromStdString(Path("sky.txt")));
    qputenv("ORBIXRX_STREAM_PORT", QByteArray::number(20000 + ::getpid() % 20000));
    qputenv("ORBIXRX_LOCK_DIR", m_dir.path().toLocal8Bit());
    QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    QVERIFY(QDir::setCurrent(m_dir.path()));
}

void ReceiverE2eTest::scenario() {
    // 1: a fresh folder: no database yet.
    QVERIFY(!QFile::exists("SATSETUPL.ini"));
    // A message box nobody expected is answered with its default and fails the test.
    QTimer boxes;
    connect(&boxes, &QTimer::timeout, this, [this] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr || !box->isVisible()) return;
        m_boxes << box->text();
        box->done(box->defaultButton() ? box->standardButton(box->defaultButton())
                                       : QMessageBox::Ok);
    });
    boxes.start(100);
    bool ran = false;
    const int rc = RunReceiverProgram([&](const RunningReceiver& run) {
        QTimer::singleShot(0, this, [&, run] {
            ran = true;
            m_card = &run.card;
            Steps(run);
            run.dlg.Shutdown();  // a failed step still ends the program
        });
    });
    QVERIFY(ran);
    QCOMPARE(rc, 0);
    QVERIFY2(m_boxes.isEmpty(), qPrintable(m_boxes.join(" | ")));
}

void ReceiverE2eTest::Steps(const RunningReceiver& run) {
    CReceiverDlg& dlg = run.dlg;
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    QCOMPARE(Bytes(Ini()), Bytes(kDefaultFile));
    Click(dlg, kTree);
    Click(dlg, kList);
    CSatTreeDlg& tree = dlg.Children()->SatTree();
    CProgramListDlg& list = dlg.Children()->ProgramList();
    QVERIFY(QTest::qWaitForWindowExposed(&tree) && QTest::qWaitForWindowExposed(&list));

    AddDemoTransponder(tree);
    if (QTest::currentTestFailed()) return;
    LockAndSearch(dlg, tree, list);
    if (QTest::currentTestFailed()) return;
    PlayRecordAndStop(run, list);
    if (QTest::currentTestFailed()) return;
    DeleteAndEdit(tree, list);
    if (QTest::currentTestFailed()) return;
    DragAndTray(dlg);
    if (QTest::currentTestFailed()) return;

    // 11: close: the filter is cleared, the file keeps what the steps left.
    const std::string before = Ini();
    Click(dlg, kClose);
    QVERIFY(dlg.ShutDown());
    QVERIFY(CardProgramPids(run.card).empty());
    QCOMPARE(Bytes(Ini()), Bytes(before));
}

void ReceiverE2eTest::AddDemoTransponder(CSatTreeDlg& tree) {
    // 2: the README's demo row, typed into the dialog.
    WhenModal<CSatParamDlg>([](CSatParamDlg* d) {
        d->SatelliteEdit()->setText("Sat-Ku");
        d->TransponderEdit()->setText("12622V");
        d->FrequencyEdit()->setText("12622");
        d->SymbolRateEdit()->setText("27500");
        FillLists(d, {"垂直", "10600", "3/4", "关", "Ku", "开"});
        QTest::mouseClick(d->OkButton(), Qt::LeftButton);
    });
    Click(tree, kAdd);
    QVERIFY(FindItem(*tree.Tree(), "Sat-Ku", "12622V") != nullptr);
    const std::string expected =
        "[Main]\r\nNUM=2\r\nSAT1=sino\r\nSAT2=Sat-Ku\r\n[sino]\r\nNUMTP=1\r\n"
        "TP1=CETV|12622|32.533|" +
        kVertical + "|11300|" + Gbk("自动") + "|" + kOn + "|Ku|" + kOn +
        "|\r\n[Sat-Ku]\r\nNUMTP=1\r\nTP1=12622V|12622.0|27500f|" + kVertical + "|10600|3/4|" +
        kOff + "|Ku|" + kOn + "|\r\n";
    QCOMPARE(Bytes(Ini()), Bytes(expected));
}

void ReceiverE2eTest::LockAndSearch(CReceiverDlg& dlg, CSatTreeDlg& tree, CProgramListDlg& list) {
    // 3: lock the new transponder, then search it.
    ClickItem(*tree.Tree(), FindItem(*tree.Tree(), "Sat-Ku", "12622V"));
    Click(tree, kLock);
    QTRY_VERIFY_WITH_TIMEOUT(dlg.Locked(), 30000);
    const std::string locked = Ini();
    QVERIFY(locked.ends_with("[Last]\r\nSat-Ku=12622V\r\n[Lock]\r\nSat-Ku=12622V\r\n") ||
            locked.ends_with("[Lock]\r\nSat-Ku=12622V\r\n[Last]\r\nSat-Ku=12622V\r\n"));
    Click(tree, kSearch);
    QTRY_VERIFY_WITH_TIMEOUT(!tree.Searching() && Children(*list.Tree(), "电视节目").size() == 2,
                             60000);
    QVERIFY(Children(*list.Tree(), "广播节目").isEmpty());
    CChannelDatabase db(Path("SATSETUPL.ini"));
    QCOMPARE(db.CountPrograms(), 2);
    for (int i = 1; i <= 2; ++i) {
        ProgramEntry e;
        QVERIFY(db.ReadProgram(CChannelDatabase::MakeProgramKey(i), e));
        QCOMPARE(e.type, Gbk("电视节目"));
    }
    // The search leaves the PMT filters it read the programs through; play clears them.
    const std::multiset<std::uint16_t> pmts{0x1000, 0x1001};
    QCOMPARE(Hex(CardProgramPids(*m_card)), Hex(pmts));
}

// The entry of the program whose PMT is on pmtPid.
ProgramEntry ProgramWithPmt(const std::string& ini, const std::string& pmtPid) {
    CChannelDatabase db(ini);
    ProgramEntry e;
    for (int i = 1; i <= db.CountPrograms(); ++i)
        if (db.ReadProgram(CChannelDatabase::MakeProgramKey(i), e) && e.pmtPid == pmtPid) return e;
    return {};
}

QTreeWidgetItem* ProgramItem(CProgramListDlg& list, const std::string& nameGbk) {
    return FindItem(*list.Tree(), QStringLiteral("电视节目"),
                    QString::fromStdString(Utf8(nameGbk)));
}

void ReceiverE2eTest::PlayRecordAndStop(const RunningReceiver& run, CProgramListDlg& list) {
    CReceiverDlg& dlg = run.dlg;
    // ffmpeg's layout: program 1's PMT on 0x1000, program 2's on 0x1001.
    const ProgramEntry first = ProgramWithPmt(Path("SATSETUPL.ini"), "1000");
    QVERIFY(!first.name.empty());
    const std::string before = Ini();

    // 4: play with the stand-in player.
    qputenv("ORBIXRX_PLAYER", QByteArray::fromStdString(m_fake->Script()));
    ClickItem(*list.Tree(), ProgramItem(list, first.name));
    Click(dlg, kPlay);
    QVERIFY(dlg.Player().Playing());
    QTRY_COMPARE_WITH_TIMEOUT(m_fake->Calls().size(), std::size_t{1}, 10000);
    QCOMPARE(Hex(CardProgramPids(run.card)), Hex(PidsOf(first)));
    Click(dlg, kStop);
    QVERIFY(!dlg.Player().Playing());
    QVERIFY(CardProgramPids(run.card).empty());
    const int fakePid = m_fake->Calls()[0].pid;
    QTRY_VERIFY_WITH_TIMEOUT(::kill(fakePid, 0) != 0, 10000);

    // 5: record with the real player, into a folder open to its user.
    qunsetenv("ORBIXRX_PLAYER");
    const QString recording = m_dir.filePath("rec.mpg");
    WhenModal<QFileDialog>([recording](QFileDialog* d) {
        auto* name = d->findChild<QLineEdit*>("fileNameEdit");
        if (name != nullptr) name->setText(recording);
        d->selectFile(recording);
        QTimer::singleShot(
            0, d, [d] { QMetaObject::invokeMethod(d, "accept"); });  // QFileDialog's own checks run
    });
    Click(dlg, kSave);
    QVERIFY(dlg.Player().Saving());
    QCOMPARE(Hex(CardProgramPids(run.card)), Hex(PidsOf(first)));
    QTest::qWait(5000);  // the length of the recording, not a synchronisation

    // 6: stop.
    Click(dlg, kStop);
    QVERIFY(!dlg.Player().Saving());
    QVERIFY(CardProgramPids(run.card).empty());
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(recording).size() > 100'000, 10000);
    const QStringList streams = Streams(recording);
    QVERIFY2(streams.size() == 2 && streams[0].startsWith("audio,48000") &&
                 streams[1].startsWith("video,160"),
             qPrintable(streams.join(" | ")));
    QCOMPARE(Bytes(Ini()), Bytes(before));  // playing and recording write nothing
}

void ReceiverE2eTest::DeleteAndEdit(CSatTreeDlg& tree, CProgramListDlg& list) {
    // 7: delete program 2: gone from the list and from [PID], program 1 kept.
    const ProgramEntry second = ProgramWithPmt(Path("SATSETUPL.ini"), "1001");
    QVERIFY(!second.name.empty());
    ClickItem(*list.Tree(), ProgramItem(list, second.name));
    Click(list, kDeleteProgram);
    QVERIFY(ProgramItem(list, second.name) == nullptr);
    QVERIFY(ProgramWithPmt(Path("SATSETUPL.ini"), "1001").name.empty());
    QVERIFY(!ProgramWithPmt(Path("SATSETUPL.ini"), "1000").name.empty());
    QVERIFY(Ini().find(CChannelDatabase::BuildProgramRecord(second)) == std::string::npos);
    QVERIFY(CardProgramPids(*m_card).empty());

    // 8: edit the transponder: FEC to automatic; the record is rewritten in place.
    const std::string before = Ini();
    ClickItem(*tree.Tree(), FindItem(*tree.Tree(), "Sat-Ku", "12622V"));
    WhenModal<CSatParamDlg>([](CSatParamDlg* d) {
        d->findChildren<QComboBox*>()[2]->setCurrentText("自动");
        QTest::mouseClick(d->OkButton(), Qt::LeftButton);
    });
    Click(tree, kEdit);
    // Only the FEC field of the record changes; the rest of the file stays.
    const std::string head = "[Sat-Ku]\r\nNUMTP=1\r\nTP1=";
    const auto at = before.find(head);
    QVERIFY(at != std::string::npos);
    const auto begin = at + head.size(), end = before.find("\r\n", begin);
    QStringList fields = QString::fromStdString(Utf8(before.substr(begin, end - begin))).split('|');
    QCOMPARE(fields.value(5), QStringLiteral("3/4"));
    fields[5] = QStringLiteral("自动");
    std::string expected = before;
    expected.replace(begin, end - begin, Gbk(fields.join('|').toStdString()));
    QCOMPARE(Bytes(Ini()), Bytes(expected));
}

void ReceiverE2eTest::DragAndTray(CReceiverDlg& dlg) {
    // 9: drag the main window by its face; the docked children follow.
    QList<QWidget*> group{&dlg, &dlg.Children()->SatTree(), &dlg.Children()->ProgramList()};
    QList<QPoint> before;
    for (QWidget* w : group) before << w->pos();
    const QPoint grip(250, 60), delta(60, 40);
    QTest::mousePress(&dlg, Qt::LeftButton, {}, grip);
    // The cursor moves by delta on the screen; under it the window follows,
    // so the release lands on the grip again.
    QTest::mouseMove(&dlg, grip + delta);
    QTRY_COMPARE_WITH_TIMEOUT(dlg.pos(), before[0] + delta, 5000);
    QTest::mouseRelease(&dlg, Qt::LeftButton, {}, grip);
    for (int i = 0; i < group.size(); ++i)
        QTRY_COMPARE_WITH_TIMEOUT(group[i]->pos(), before[i] + delta, 5000);

    // 10: hide and restore through the tray menu.
    if (!dlg.Tray().Available()) {
        qWarning("no system tray on this display: the tray step is skipped");
        return;
    }
    auto action = [&](const char* text) {
        for (QAction* a : dlg.Tray().Menu()->actions())
            if (a->text() == QString::fromUtf8(text)) return a;
        return static_cast<QAction*>(nullptr);
    };
    QVERIFY(action("隐藏主界面") && action("显示主界面"));
    action("隐藏主界面")->trigger();
    for (QWidget* w : group) QTRY_VERIFY(!w->isVisible());
    action("显示主界面")->trigger();
    for (QWidget* w : group) QTRY_VERIFY(w->isVisible());
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
}

}  // namespace orbix

QTEST_MAIN(orbix::ReceiverE2eTest)
#include "receiver_e2e_test.moc"
