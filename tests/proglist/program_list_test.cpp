#include <QApplication>
#include <QMenu>
#include <QTreeWidget>
#include <QtTest>
#include <memory>
#include <thread>

#include "platform/text.h"
#include "tests/support/button_centre.h"
#include "tests/support/temp_dir.h"
#include "ui/button_table.h"
#include "ui/proglist/program_list_dlg.h"
#include "ui/proglist/program_list_texts.h"
#include "ui/proglist/queued_program_tree.h"

using namespace orbix;
using testing::ButtonCentre;

namespace {

// Stored programs, UTF-8 here and GBK in the file. 节目3 is scrambled, the
// name under 节目5 is 7 bytes long in GBK.
const std::string kPrograms =
    "[PID]\r\n"
    "节目1=节目1|电视节目|100|101|102|00|101|\r\n"
    "节目2=节目2|广播节目|200|00|201|202|201|\r\n"
    "节目3=节目3(加扰)|电视节目|300|301|302|00|301|\r\n"
    "节目4=节目12|电视节目|400|401|402|00|401|\r\n"
    "节目5=节目123|电视节目|500|501|502|00|501|\r\n"
    "NUM=5\r\n";

QString U(const std::string& gbk) { return QString::fromStdString(Utf8(gbk)); }

// What the window asked of the rest of the program, in order, readable.
struct Fakes {
    CRecordingNotices notices;
    bool locked = false;
    QStringList log;

    ProgramListServices Services(const std::string& path) {
        ProgramListServices s{notices};
        s.locked = [this] { return locked; };
        s.startPlayer = [this](const std::string& g) { return Note("player:" + U(g)); };
        s.startRecording = [this] { return Note("record"); };
        s.sendProgramPids = [this](const std::string& n) { return Note("pids:" + U(n)); };
        s.setStatusText = [this](const std::string& t) { Note("status:" + U(t)); };
        s.showProgramInfo = [this](const ProgramEntry& e) {
            Note("info:" + U(e.name + "|" + e.type + "|" + e.audioPid1 + "|" + e.audioPid2 + "|" +
                             e.videoPid + "|" + e.pcrPid));
        };
        s.openPidSettings = [this] { Note("pidset"); };
        s.closed = [this] { Note("closed"); };
        s.databasePath = path;
        return s;
    }
    bool Note(const QString& entry) {
        log << entry;
        return true;
    }
    QStringList Notices() const {
        QStringList texts;
        for (const std::string& t : notices.TextsUtf8()) texts << QString::fromStdString(t);
        return texts;
    }
};

}  // namespace

class ProgramListTest : public QObject {
    Q_OBJECT

  private:
    std::unique_ptr<testing::CTempDir> m_dir;
    std::unique_ptr<Fakes> m_fakes;
    std::unique_ptr<CProgramListDlg> m_window;

    std::string IniPath() const { return m_dir->File("SATSETUPL.ini"); }

    void Open(const std::string& iniUtf8) {
        if (!iniUtf8.empty()) testing::WriteBytes(IniPath(), Gbk(iniUtf8));
        m_window = std::make_unique<CProgramListDlg>(m_fakes->Services(IniPath()));
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
        m_window->Tree()->expandAll();
    }
    QTreeWidget* Tree() const { return m_window->Tree(); }
    QTreeWidgetItem* Item(const QString& text) const {
        const auto found = Tree()->findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
        return found.isEmpty() ? nullptr : found.front();
    }
    QPoint At(const QString& text) const {
        QTreeWidgetItem* item = Item(text);
        Tree()->scrollToItem(item);
        return Tree()->visualItemRect(item).center();
    }
    void Select(const QString& text) {
        QTest::mouseClick(Tree()->viewport(), Qt::LeftButton, {}, At(text));
        QCOMPARE(m_window->SelectedProgram().textGbk, Gbk(text.toStdString()));
    }
    void PressButton(int index) {
        QTest::mousePress(m_window.get(), Qt::LeftButton, {}, ButtonCentre(index));
        QTest::mouseRelease(m_window.get(), Qt::LeftButton, {}, ButtonCentre(index));
    }
    // Right-clicks the item and chooses the command from the menu it opens.
    void RunMenu(const QString& text, int command) {
        QTest::mouseClick(Tree()->viewport(), Qt::RightButton, {}, At(text));
        QMenu* menu = nullptr;
        QTRY_VERIFY((menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) != nullptr);
        for (QAction* action : menu->actions()) {
            if (action->data().toInt() == command && !action->isSeparator()) action->trigger();
        }
        menu->close();
    }
    QStringList Children(int group) const {
        QStringList names;
        QTreeWidgetItem* g = Tree()->topLevelItem(group);
        for (int i = 0; i < g->childCount(); ++i) names << g->child(i)->text(0);
        return names;
    }
    void CompareShape(const QStringList& tv, const QStringList& radio) const {
        QCOMPARE(Tree()->topLevelItemCount(), 3);
        const QStringList groups{"电视节目", "广播节目", "IP节目"};
        for (int i = 0; i < 3; ++i) QCOMPARE(Tree()->topLevelItem(i)->text(0), groups[i]);
        QCOMPARE(Children(0), tv);
        QCOMPARE(Children(1), radio);
        QCOMPARE(Tree()->topLevelItem(2)->childCount(), 0);
    }

  private slots:
    void init() {
        for (int i = 8; i <= 11; ++i) SetButtonReady(i, true);
        m_dir = std::make_unique<testing::CTempDir>();
        m_fakes = std::make_unique<Fakes>();
    }
    void cleanup() {
        m_window.reset();
        m_fakes.reset();
        m_dir.reset();
    }

    void treeFromFile_data() {
        QTest::addColumn<QString>("ini");
        QTest::addColumn<QStringList>("tv");
        QTest::addColumn<QStringList>("radio");
        QTest::newRow("no file") << QString() << QStringList() << QStringList();
        QTest::newRow("NUM missing") << "[PID]\r\n节目1=甲|电视节目|1|2|3|00|2|\r\n"
                                     << QStringList() << QStringList();
        QTest::newRow("missing key skipped") << "[PID]\r\nNUM=3\r\n节目3=丙|广播节目|3|00|4|00|4|"
                                                "\r\n节目1=甲|电视节目|1|2|3|00|2|\r\n"
                                             << QStringList{"甲"} << QStringList{"丙"};
        QTest::newRow("all stored")
            << QString::fromStdString(kPrograms)
            << QStringList{"节目1", "节目3(加扰)", "节目12", "节目123"} << QStringList{"节目2"};
    }
    void treeFromFile() {
        QFETCH(QString, ini);
        QFETCH(QStringList, tv);
        QFETCH(QStringList, radio);
        Open(ini.toStdString());
        CompareShape(tv, radio);
        // A second rebuild does not repeat the groups.
        m_window->RebuildProgramTree();
        CompareShape(tv, radio);
    }

    void doubleClick_data() {
        QTest::addColumn<QString>("item");
        QTest::addColumn<bool>("locked");
        QTest::addColumn<QStringList>("log");
        QTest::addColumn<QStringList>("notices");
        QTest::newRow("IP group without lock")
            << "IP节目" << false << QStringList{"pidset"} << QStringList();
        QTest::newRow("group") << "广播节目" << true << QStringList() << QStringList();
        QTest::newRow("scrambled")
            << "节目3(加扰)" << true << QStringList() << QStringList{"无法播放加扰节目!"};
        QTest::newRow("not locked")
            << "节目1" << false << QStringList() << QStringList{"请检查信号是否锁定!"};
        QTest::newRow("6 bytes shown whole")
            << "节目12" << true
            << QStringList{"player:电视节目", "pids:节目12", "status:正在播放节目12"}
            << QStringList();
        QTest::newRow("radio") << "节目2" << true
                               << QStringList{"player:广播节目", "pids:节目2",
                                              "status:正在播放节目2"}
                               << QStringList();
    }
    void doubleClick() {
        QFETCH(QString, item);
        QFETCH(bool, locked);
        QFETCH(QStringList, log);
        QFETCH(QStringList, notices);
        Open(kPrograms);
        m_fakes->locked = locked;
        // As a real double click arrives: press, release, double click, release.
        const QPoint p = At(item);
        QTest::mouseClick(Tree()->viewport(), Qt::LeftButton, {}, p);
        QTest::mouseDClick(Tree()->viewport(), Qt::LeftButton, {}, p);
        QTest::mouseRelease(Tree()->viewport(), Qt::LeftButton, {}, p);
        QCOMPARE(m_fakes->log, log);
        QCOMPARE(m_fakes->Notices(), notices);
    }

    void contextMenu_data() {
        QTest::addColumn<QString>("item");
        QTest::addColumn<int>("command");
        QTest::addColumn<bool>("locked");
        QTest::addColumn<QStringList>("log");
        QTest::addColumn<QStringList>("notices");
        const int play = CProgramListDlg::kCmdPlay, save = CProgramListDlg::kCmdSave,
                  info = CProgramListDlg::kCmdInfo;
        QTest::newRow("play IP group")
            << "IP节目" << play << true
            << QStringList{"player:", "pids:IP节目", "status:正在播放IP节目"} << QStringList();
        QTest::newRow("play unlocked group")
            << "电视节目" << play << false << QStringList() << QStringList{"请检查信号是否锁定!"};
        QTest::newRow("play scrambled")
            << "节目3(加扰)" << play << true << QStringList() << QStringList{"无法播放加扰节目!"};
        QTest::newRow("save") << "节目1" << save << true
                              << QStringList{"record", "pids:节目1", "status:正在保存节目1"}
                              << QStringList();
        QTest::newRow("save scrambled") << "节目3(加扰)" << save << true << QStringList()
                                        << QStringList{"您所保存的是加扰节目，无法播放！"};
        QTest::newRow("info radio program")
            << "节目2" << info << false << QStringList{"info:节目2|广播节目|201|202|00|201"}
            << QStringList();
        QTest::newRow("info group")
            << "广播节目" << info << false << QStringList() << QStringList{"请选择一个节目！"};
    }
    void contextMenu() {
        QFETCH(QString, item);
        QFETCH(int, command);
        QFETCH(bool, locked);
        QFETCH(QStringList, log);
        QFETCH(QStringList, notices);
        Open(kPrograms);
        m_fakes->locked = locked;
        RunMenu(item, command);
        QCOMPARE(m_fakes->log, log);
        QCOMPARE(m_fakes->Notices(), notices);
    }

    void buttons_data() {
        QTest::addColumn<int>("button");
        QTest::addColumn<QString>("selected");
        QTest::addColumn<QStringList>("log");
        QTest::addColumn<QStringList>("notices");
        QTest::newRow("9 program")
            << 9 << "节目1" << QStringList{"info:节目1|电视节目|102|00|101|101"} << QStringList();
        QTest::newRow("9 IP group") << 9 << "IP节目" << QStringList{"pidset"} << QStringList();
        QTest::newRow("9 group") << 9 << "电视节目" << QStringList()
                                 << QStringList{"请选择一个节目！"};
        QTest::newRow("10 group") << 10 << "IP节目" << QStringList()
                                  << QStringList{"请选择一个要删除的节目！"};
        QTest::newRow("11 does nothing") << 11 << "节目1" << QStringList() << QStringList();
        QTest::newRow("8 closes") << 8 << "节目1" << QStringList{"closed"} << QStringList();
    }
    void buttons() {
        QFETCH(int, button);
        QFETCH(QString, selected);
        QFETCH(QStringList, log);
        QFETCH(QStringList, notices);
        Open(kPrograms);
        Select(selected);
        PressButton(button);
        QCOMPARE(m_fakes->log, log);
        QCOMPARE(m_fakes->Notices(), notices);
        QCOMPARE(m_window->isVisible(), button != 8);
        QCOMPARE(m_window->PressedButton(), -1);
    }

    // The record's key goes, NUM stays, nothing else in the file changes.
    void deleteRemovesOnlyTheKey_data() {
        QTest::addColumn<QString>("ini");
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("removedLine");
        QTest::addColumn<bool>("byMenu");
        const QString two = "节目2=节目2|广播节目|200|00|201|202|201|\r\n";
        QTest::newRow("button") << QString::fromStdString(kPrograms) << "节目2" << two << false;
        QTest::newRow("menu") << QString::fromStdString(kPrograms) << "节目2" << two << true;
        // Without a network entry in the PAT, names run one behind the keys.
        const QString shifted =
            "[PID]\r\n节目1=节目0|电视节目|1|2|3|00|2|\r\n"
            "节目2=节目1|电视节目|4|5|6|00|5|\r\nNUM=2\r\n";
        QTest::newRow("name is not the key") << shifted << "节目1"
                                             << "节目2=节目1|电视节目|4|5|6|00|5|\r\n"
                                             << false;
    }
    void deleteRemovesOnlyTheKey() {
        QFETCH(QString, ini);
        QFETCH(QString, program);
        QFETCH(QString, removedLine);
        QFETCH(bool, byMenu);
        Open(ini.toStdString());
        const std::string before = testing::ReadBytes(IniPath());
        Select(program);
        if (byMenu) {
            RunMenu(program, CProgramListDlg::kCmdDelete);
        } else {
            PressButton(10);
        }
        QVERIFY(Item(program) == nullptr);
        std::string expected = before;
        const std::string line = Gbk(removedLine.toStdString());
        expected.erase(expected.find(line), line.size());
        QCOMPARE(testing::ReadBytes(IniPath()), expected);
        m_window->RebuildProgramTree();
        QVERIFY(Item(program) == nullptr);
        QVERIFY(m_fakes->Notices().isEmpty());
    }

    // A right click selects what it hits, so "删除节目" deletes the program
    // the menu was opened on.
    void rightClickTargetsTheHitItem() {
        Open(kPrograms);
        Select("节目1");
        RunMenu("节目12", CProgramListDlg::kCmdDelete);
        QVERIFY(Item("节目12") == nullptr);
        QVERIFY(Item("节目1") != nullptr);
    }

    void queuedAdapterRunsOnTheGuiThread() {
        Open("");
        CQueuedProgramTree queued(*m_window);
        std::thread([&] {
            queued.AddProgramItem(Gbk("节目1"), true);
            queued.AddProgramItem(Gbk("节目2"), false);
        }).join();
        // Nothing reached the tree from the worker's thread.
        CompareShape({}, {});
        QTRY_COMPARE(Children(0), QStringList{"节目1"});
        QCOMPARE(Children(1), QStringList{"节目2"});

        // A new search empties the tree and rebuilds the groups from the
        // emptied section; at its end the tree shows what was stored.
        QVERIFY(m_window->ClearTree());
        m_window->RebuildProgramTree();
        CompareShape({}, {});
        std::thread([&] {
            CChannelDatabase db(IniPath());
            ProgramEntry e{Gbk("节目1"), Gbk("节目9"), Gbk("电视节目"), "1", "2", "00", "3", "3"};
            db.WriteProgram(e.key, e);
            db.WriteProgramCount(1);
            queued.ExpandFirstItem();
            queued.Redraw();
        }).join();
        QTRY_COMPARE(Children(0), QStringList{"节目9"});
        CompareShape({"节目9"}, {});
        QVERIFY(Tree()->topLevelItem(0)->isExpanded());
    }

    void displayName_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("shown");
        QTest::newRow("6 bytes") << "节目12"
                                 << "节目12";
        QTest::newRow("7 bytes") << "节目123"
                                 << "节...";
        QTest::newRow("char ends at 3") << "A节目1234"
                                        << "A节...";
        QTest::newRow("no half char") << "AB节目1234"
                                      << "AB...";
    }
    void displayName() {
        QFETCH(QString, name);
        QFETCH(QString, shown);
        QCOMPARE(U(proglist::DisplayName(Gbk(name.toStdString()))), shown);
    }
};

QTEST_MAIN(ProgramListTest)
#include "program_list_test.moc"
