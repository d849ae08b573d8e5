#include <QApplication>
#include <QMenu>
#include <QTreeWidget>
#include <QtTest>
#include <memory>
#include <thread>
#include <utility>

#include "platform/text.h"
#include "tests/support/button_centre.h"
#include "tests/support/temp_dir.h"
#include "ui/proglist/program_list_dlg.h"
#include "ui/proglist/queued_program_tree.h"
#include "view/button_table.h"

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
const QString kAllStored = "电视节目{节目1,节目3(加扰),节目12,节目123}广播节目{节目2}IP节目{}";
const QString kEmpty = "电视节目{}广播节目{}IP节目{}";

QString U(const std::string& gbk) { return QString::fromStdString(Utf8(gbk)); }

struct Fakes {
    CRecordingNotices notices;
    bool locked = false;
    QStringList log;

    ProgramListServices Services(const std::string& path) {
        ProgramListServices s{notices};
        s.locked = [this] { return locked; };
        s.play = [this](const ProgramSelection& p) { Note("play:" + Text(p)); };
        s.record = [this](const ProgramSelection& p) { Note("record:" + Text(p)); };
        s.showProgramInfo = [this](const ProgramEntry& e) {
            Note("info:" + U(e.name + "|" + e.type + "|" + e.audioPid1 + "|" + e.audioPid2 + "|" +
                             e.videoPid + "|" + e.pcrPid));
        };
        s.openPidSettings = [this] { Note("pidset"); };
        s.closed = [this] { Note("closed"); };
        s.databasePath = path;
        return s;
    }
    bool Note(const QString& entry) { return (log << entry, true); }
    // The program and the group it stands under, as the tree's data says.
    static QString Text(const ProgramSelection& p) {
        const QString parent = p.parent ? U(GroupText(*p.parent)) : QString("-");
        return U(p.text) + (p.group ? QString("(group)") : QString()) + "@" + parent;
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

    std::unique_ptr<testing::CTempDir> m_dir;
    std::unique_ptr<Fakes> m_fakes;
    std::unique_ptr<CProgramListDlg> m_window;

    std::string Path() const { return m_dir->File("SATSETUPL.ini"); }
    std::string File() const { return testing::ReadBytes(Path()); }
    void Open(const QString& iniUtf8) {
        if (!iniUtf8.isEmpty()) testing::WriteBytes(Path(), Gbk(iniUtf8.toStdString()));
        m_window = std::make_unique<CProgramListDlg>(m_fakes->Services(Path()));
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
        m_window->Tree()->expandAll();
    }
    QTreeWidget* Tree() const { return m_window->Tree(); }
    QTreeWidgetItem* Item(const QString& text) const {
        return Tree()->findItems(text, Qt::MatchExactly | Qt::MatchRecursive).value(0);
    }
    QPoint At(const QString& text) const {
        Tree()->scrollToItem(Item(text));
        return Tree()->visualItemRect(Item(text)).center();
    }
    void Select(const QString& text) {
        QTest::mouseClick(Tree()->viewport(), Qt::LeftButton, {}, At(text));
        QCOMPARE(m_window->SelectedProgram().value().text, Gbk(text.toStdString()));
    }

    // Right-clicks the item and chooses the command from the menu it opens.
    void RunMenu(const QString& text, int command) {
        QTest::mouseClick(Tree()->viewport(), Qt::RightButton, {}, At(text));
        QMenu* menu = nullptr;
        QTRY_VERIFY((menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) != nullptr);
        for (QAction* action : menu->actions())
            if (action->data().toInt() == command && !action->isSeparator()) action->trigger();
        menu->close();
    }
    // The tree as the user sees it, "电视节目{节目1}广播节目{}IP节目{}": the
    // items with a place on screen, so a closed group shows no programs.
    QString TreeText() const {
        QString out;
        const auto shown = [this](QTreeWidgetItem* item) {
            return !Tree()->visualItemRect(item).isEmpty();
        };
        for (int i = 0; i < Tree()->topLevelItemCount(); ++i) {
            QTreeWidgetItem* group = Tree()->topLevelItem(i);
            QStringList names;
            for (int j = 0; j < group->childCount(); ++j)
                if (shown(group->child(j))) names << group->child(j)->text(0);
            if (!shown(group)) continue;
            out += group->text(0) + "{" + names.join(',') + "}";
        }
        return out;
    }

  private slots:
    void init() {
        m_dir = std::make_unique<testing::CTempDir>();
        m_fakes = std::make_unique<Fakes>();
    }
    void cleanup() { m_window.reset(); }

    // No NUM: no programs; a missing key is skipped; a rebuild repeats nothing
    // and closes no group.
    void treeFromFile() {
        const std::pair<QString, QString> cases[] = {
            {"", kEmpty},
            {"[PID]\r\n节目1=甲|电视节目|1|2|3|00|2|\r\n", kEmpty},
            {"[PID]\r\nNUM=3\r\n节目3=丙|广播节目|3|00|4|00|4|\r\n节目1=甲|电视节目|1|2|3|00|2|"
             "\r\n",
             "电视节目{甲}广播节目{丙}IP节目{}"},
            {QString::fromStdString(kPrograms), kAllStored}};
        for (const auto& [ini, tree] : cases) {
            Open(ini);
            QCOMPARE(TreeText(), tree);
            m_window->RebuildProgramTree();
            QCOMPARE(TreeText(), tree);
        }
        // A rebuild leaves each group open or closed as the user left it.
        Tree()->collapseItem(Item("广播节目"));
        m_window->RebuildProgramTree();
        QCOMPARE(TreeText(), "电视节目{节目1,节目3(加扰),节目12,节目123}广播节目{}IP节目{}");
    }

    // A double click (0), a context menu command or a button on an item: what
    // the window asks of the rest of the program, and what it tells the user.
    void commands() {
        struct Case {
            const char* item;
            bool locked;
            int command;
            QStringList log, notices;
        };
        const int play = CProgramListDlg::kCmdPlay, save = CProgramListDlg::kCmdSave;
        const Case cases[] = {
            {"IP节目", false, 0, {"pidset"}, {}},
            {"节目3(加扰)", true, 0, {}, {"无法播放加扰节目!"}},
            {"节目1", false, 0, {}, {"请检查信号是否锁定!"}},
            {"节目2", true, 0, {"play:节目2@广播节目"}, {}},
            {"IP节目", true, play, {"play:IP节目(group)@-"}, {}},
            {"节目12", true, save, {"record:节目12@电视节目"}, {}},
            {"节目3(加扰)", true, save, {}, {"您所保存的是加扰节目，无法播放！"}},
            {"节目2", false, CProgramListDlg::kCmdInfo, {"info:节目2|广播节目|201|202|00|201"}, {}},
            {"IP节目", false, 9, {"pidset"}, {}},
            {"电视节目", false, 9, {}, {"请选择一个节目！"}},
            {"IP节目", false, 10, {}, {"请选择一个要删除的节目！"}},
            {"节目1", false, 8, {"closed"}, {}},
        };
        for (const Case& c : cases) {
            m_window.reset();
            m_fakes = std::make_unique<Fakes>();
            Open(QString::fromStdString(kPrograms));
            m_fakes->locked = c.locked;
            const QString item = QString::fromUtf8(c.item);
            const QPoint p = At(item);
            if (c.command ==
                0) {  // as a real double click arrives: press, release, double, release
                QTest::mouseClick(Tree()->viewport(), Qt::LeftButton, {}, p);
                QTest::mouseDClick(Tree()->viewport(), Qt::LeftButton, {}, p);
                QTest::mouseRelease(Tree()->viewport(), Qt::LeftButton, {}, p);
            } else if (c.command > 100) {
                RunMenu(item, c.command);
            } else {
                Select(item);
                QTest::mousePress(m_window.get(), Qt::LeftButton, {}, ButtonCentre(c.command));
                QTest::mouseRelease(m_window.get(), Qt::LeftButton, {}, ButtonCentre(c.command));
            }
            QCOMPARE(m_fakes->log, c.log);
            QCOMPARE(m_fakes->Notices(), c.notices);
            QCOMPARE(m_window->isVisible(), c.command != 8);
            QCOMPARE(TreeText(), kAllStored);
        }
    }

    // Delete goes by the record's key, not its name (without a network entry
    // in the PAT the names run one behind the keys), and a right click selects
    // what it hits: that key's line goes, NUM stays, nothing else changes. The
    // button deletes the selected one alike.
    void deleteRemovesOnlyTheHitKey() {
        for (const bool menu : {true, false}) {
            Open(
                "[PID]\r\n节目1=节目0|电视节目|1|2|3|00|2|\r\n节目2=节目1|电视节目|4|5|6|00|5|"
                "\r\nNUM=2\r\n");
            std::string expected = File();
            const std::string line = Gbk("节目2=节目1|电视节目|4|5|6|00|5|\r\n");
            expected.erase(expected.find(line), line.size());
            Select(menu ? "节目0" : "节目1");
            if (menu) {
                RunMenu("节目1", CProgramListDlg::kCmdDelete);
            } else {
                QTest::mousePress(m_window.get(), Qt::LeftButton, {}, ButtonCentre(10));
                QTest::mouseRelease(m_window.get(), Qt::LeftButton, {}, ButtonCentre(10));
            }
            QCOMPARE(File(), expected);
            QCOMPARE(TreeText(), QString("电视节目{节目0}广播节目{}IP节目{}"));
            QVERIFY(m_fakes->Notices().isEmpty());
        }
    }

    void queuedAdapterRunsOnTheGuiThread() {
        Open({});
        CQueuedProgramTree queued(*m_window);
        std::thread([&] {
            queued.AddProgramItem(Gbk("节目1"), true);
            queued.AddProgramItem(Gbk("节目2"), false);
        }).join();
        QCOMPARE(TreeText(), kEmpty);  // nothing reached the tree from the worker's thread
        QTRY_COMPARE(TreeText(), "电视节目{节目1}广播节目{节目2}IP节目{}");
    }
};

QTEST_MAIN(ProgramListTest)
#include "program_list_test.moc"
