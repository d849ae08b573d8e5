// orbixrx's three windows on the simulated card in real time: lock a
// transponder from the satellite tree, search it, see its programs in the
// program list and the file, then play one with a stand-in player and stop.
#include <unistd.h>

#include <QProcess>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>
#include <fstream>
#include <mutex>
#include <set>
#include <sstream>

#include "app/card_backend.h"
#include "app/receiver_dlg.h"
#include "platform/text.h"
#include "player/fake_player.h"
#include "search/psi.h"
#include "sim/card_logic_model.h"
#include "sim/sim_card.h"
#include "ui/resources.h"
#include "ui/sattree/sat_tree_item.h"

namespace orbix {
namespace {

constexpr int kLockButton = 16, kSearchButton = 17;
constexpr int kPlayButton = 3, kStopButton = 4, kTreeButton = 6, kListButton = 7;

QPoint Centre(int button) {
    const ButtonEntry& b = g_buttonTable[button];
    return {b.left + b.width / 2, b.top + b.height / 2};
}

void Click(QWidget& w, int button) {
    QTest::mousePress(&w, Qt::LeftButton, {}, Centre(button));
    QTest::mouseRelease(&w, Qt::LeftButton, {}, Centre(button));
}

QTreeWidgetItem* FindChild(QTreeWidget& tree, const QString& parent, const QString& child) {
    for (int i = 0; i < tree.topLevelItemCount(); ++i) {
        QTreeWidgetItem* top = tree.topLevelItem(i);
        if (top->text(0) != parent) continue;
        for (int j = 0; j < top->childCount(); ++j) {
            if (child.isEmpty() || top->child(j)->text(0) == child) return top->child(j);
        }
    }
    return nullptr;
}

QStringList Children(QTreeWidget& tree, const QString& group) {
    QStringList names;
    for (int i = 0; i < tree.topLevelItemCount(); ++i) {
        QTreeWidgetItem* top = tree.topLevelItem(i);
        if (top->text(0) != group) continue;
        for (int j = 0; j < top->childCount(); ++j) names << top->child(j)->text(0);
    }
    return names;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

// The lines of one section, in GBK as stored.
std::string Section(const std::string& file, const std::string& name) {
    const std::string head = "[" + name + "]\r\n";
    const auto at = file.find(head);
    if (at == std::string::npos) return {};
    const auto begin = at + head.size();
    const auto end = file.find("\r\n[", begin);
    return file.substr(begin, end == std::string::npos ? std::string::npos : end - begin + 2);
}

// The card's PID table as PIDs, class bits dropped.
std::multiset<std::uint16_t> CardPids(sim::CSimCard& card, std::uint16_t classBits) {
    std::multiset<std::uint16_t> pids;
    for (std::uint16_t slot : card.Logic().PidTable()) {
        if ((slot & CPidFilter::kProgramClass) == classBits) pids.insert(slot & 0x1FFF);
    }
    return pids;
}

}  // namespace

class ReceiverScenarioTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<testing::CFakePlayer> m_fake;

    std::string Path(const char* name) const {
        return m_dir.filePath(QString::fromLatin1(name)).toStdString();
    }

  private slots:
    void initTestCase() {
        InitResources();
        QVERIFY(m_dir.isValid());
        // A stream port of this run's own, read once by everything that streams.
        qputenv("ORBIXRX_STREAM_PORT", QByteArray::number(20000 + ::getpid() % 20000));
        qputenv("ORBIXRX_CARD", "simulated");
        m_fake = std::make_unique<testing::CFakePlayer>(m_dir.path().toStdString());
        qputenv("ORBIXRX_PLAYER", QByteArray::fromStdString(m_fake->Script()));
        QVERIFY(QDir::setCurrent(m_dir.path()));
        QCOMPARE(QProcess::execute(QStringLiteral("bash"),
                                   {QStringLiteral(ORBIXRX_SOURCE_DIR "/tools/demo_database.sh"),
                                    QString::fromStdString(Path("SATSETUPL.ini"))}),
                 0);
        const auto image = sim::CCardLogicModel::MakeValidImage();
        std::ofstream(Path("conwh.ocx"), std::ios::binary)
            .write(reinterpret_cast<const char*>(image.data()),
                   static_cast<std::streamsize>(image.size()));
    }

    void LockSearchPlayAndStop() {
        CardBackend backend = MakeCardBackend();
        QVERIFY2(backend.ports != nullptr, backend.error.c_str());
        auto& card = dynamic_cast<sim::CSimCard&>(*backend.ports);
        CQtNotices notices(QStringLiteral("orbixrx"),
                           [](const Notice& n, const QString& text, const QString&) {
                               qWarning("notice: %s", qPrintable(text));
                               return CQtNotices::DefaultAnswer(n);
                           });
        CCardSession session({card,
                              RealClock(),
                              notices,
                              card.IoBase(),
                              Path("conwh.ocx"),
                              Path("SATSETUPL.ini"),
                              {}});
        CReceiverDlg dlg({session, notices, false, false});
        QVERIFY(dlg.BringUp());
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));

        // 1-2: the satellite tree; pick the strong transponder and lock it.
        Click(dlg, kTreeButton);
        Click(dlg, kListButton);
        auto& tree = dlg.Children()->SatTree();
        auto& list = dlg.Children()->ProgramList();
        QVERIFY(tree.isVisible() && list.isVisible());
        QTreeWidgetItem* target = FindChild(*tree.Tree(), "Sat-Ku", "12622V");
        QVERIFY(target != nullptr);
        tree.Tree()->setCurrentItem(target);
        const std::uint64_t before = session.LastStatus().tune.attempt;
        Click(tree, kLockButton);
        const std::string file = ReadFile(Path("SATSETUPL.ini"));
        QCOMPARE(Section(file, "Lock"), std::string("Sat-Ku=12622V\r\n"));
        QCOMPARE(Section(file, "Last"), std::string("Sat-Ku=12622V\r\n"));

        // 3: locked, then the search.
        QTRY_VERIFY_WITH_TIMEOUT(session.LastStatus().tune.attempt > before &&
                                     session.LastStatus().tune.settled &&
                                     session.LastStatus().tune.locked,
                                 60000);
        QTRY_VERIFY_WITH_TIMEOUT(dlg.Locked(), 10000);
        Click(tree, kSearchButton);
        QTRY_VERIFY_WITH_TIMEOUT(!tree.Searching() && list.Tree()->topLevelItemCount() == 3 &&
                                     Children(*list.Tree(), "电视节目").size() == 8,
                                 120000);

        // 4: 8 TV and 2 radio programs, in the tree and in [PID].
        QCOMPARE(Children(*list.Tree(), "广播节目").size(), 2);
        QVERIFY(Children(*list.Tree(), "IP节目").isEmpty());
        CChannelDatabase db(Path("SATSETUPL.ini"));
        QCOMPARE(db.CountPrograms(), 10);
        int tv = 0;
        for (int i = 0; i <= db.CountPrograms(); ++i) {
            ProgramEntry entry;
            if (db.ReadProgram(CChannelDatabase::MakeProgramKey(i), entry))
                tv += entry.type == Gbk("电视节目");
        }
        QCOMPARE(tv, 8);

        // 5: play the first TV program, then stop.
        QTreeWidgetItem* program = FindChild(*list.Tree(), "电视节目", {});
        list.Tree()->setCurrentItem(program);
        ProgramEntry entry;
        QVERIFY(db.FindProgramByName(Gbk(program->text(0).toStdString()), entry));
        Click(dlg, kPlayButton);
        QVERIFY(dlg.Player().Playing());
        QVERIFY(dlg.LabelText().startsWith(QStringLiteral("正在播放")));
        QTRY_COMPARE_WITH_TIMEOUT(m_fake->Calls().size(), std::size_t{1}, 10000);
        const std::multiset<std::uint16_t> expected{
            0,
            static_cast<std::uint16_t>(HexToInt(entry.pmtPid)),
            static_cast<std::uint16_t>(HexToInt(entry.pcrPid)),
            static_cast<std::uint16_t>(HexToInt(entry.videoPid)),
            static_cast<std::uint16_t>(HexToInt(entry.audioPid1)),
            static_cast<std::uint16_t>(HexToInt(entry.audioPid2)),
            0x11};
        std::multiset<std::uint16_t> shown = CardPids(card, CPidFilter::kProgramClass);
        // A program without a second audio PID gives its 0 slot no entry.
        if (entry.audioPid2.empty() || HexToInt(entry.audioPid2) == 0) shown.insert(0);
        QCOMPARE(shown, expected);
        const auto user = CardPids(card, CPidFilter::kUserClass);

        Click(dlg, kStopButton);
        QVERIFY(!dlg.Player().Playing());
        QVERIFY(CardPids(card, CPidFilter::kProgramClass).empty());
        QCOMPARE(CardPids(card, CPidFilter::kUserClass), user);

        dlg.Shutdown();
        QVERIFY(!session.IsUp());
        QVERIFY(CardPids(card, CPidFilter::kProgramClass).empty());
        // The search and the lock left the lock and the last transponder alone.
        const std::string after = ReadFile(Path("SATSETUPL.ini"));
        QCOMPARE(Section(after, "Lock"), std::string("Sat-Ku=12622V\r\n"));
        QCOMPARE(Section(after, "Last"), std::string("Sat-Ku=12622V\r\n"));
    }
};

}  // namespace orbix

QTEST_MAIN(orbix::ReceiverScenarioTest)
#include "receiver_scenario_test.moc"
