// The two PID dialogs, offscreen, over a channel database in a temporary
// folder.
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest/QtTest>

#include "card/pid_filter.h"
#include "platform/text.h"
#include "support/card_fixture.h"
#include "ui/pid/pid_set_dlg.h"
#include "ui/pid/program_pid_dlg.h"

using namespace orbix;

namespace {

struct Rig {
    orbix::testing::CTempDir dir;
    std::string path = (dir.Path() / "SATSETUPL.ini").string();
    CChannelDatabase db{path};
    CPidFilter filter;
    CRecordingNotices notices;
    std::string FileText() const { return orbix::testing::ReadBytes(path); }
    std::vector<std::uint16_t> UserPids() const {
        return orbix::testing::ClassPids(filter.Table(), CPidFilter::kUserClass);
    }
};

// Types a PID and adds it with the add command or with Enter.
void Add(CPidSetDlg& dlg, const QByteArray& text, bool enter = false) {
    dlg.NewPidEdit()->clear();
    QTest::keyClicks(dlg.NewPidEdit(), text);
    enter ? QTest::keyClick(dlg.NewPidEdit(), Qt::Key_Return) : dlg.AddPid();
}

QStringList Texts(const CPidSetDlg& dlg) {
    QStringList texts;
    for (const auto& item : dlg.Items())
        texts << QString::fromStdString(item.text) + (item.ticked ? "+" : "-");
    return texts;
}

}  // namespace

class PidDialogsTest : public QObject {
    Q_OBJECT

  private slots:
    // The stored texts are shown as they are; nothing is written back.
    void programPidDialogShowsTheRecord() {
        Rig rig;
        const ProgramEntry p{"", Gbk("节目1"), Gbk("广播节目"), "30", "1f4", "00", "00", "1f4"};
        rig.db.WriteProgram(p.name, p);
        const std::string before = rig.FileText();
        CProgramPidDlg dlg;
        dlg.SetProgram(p);
        dlg.show();
        QCOMPARE(dlg.TypeBox()->currentText(), QStringLiteral("广播节目"));
        QVERIFY(!dlg.TypeBox()->isEnabled() && dlg.AudioPid2Edit()->isReadOnly());
        QCOMPARE(dlg.VideoPidEdit()->text() + dlg.AudioPid1Edit()->text(), QStringLiteral("001f4"));
        dlg.accept();
        QCOMPARE(rig.FileText(), before);
    }

    // Each refusal: its text and caption, and what the edit keeps (a PID
    // spelt another way is a repeat); a 33rd
    // PID is refused even when items are unticked.
    void addPidRefusals() {
        const struct {
            const char *typed, *text, *caption, *editAfter;
        } cases[] = {
            {"1g", "PID值只能是'0-9','a-f','A-F'!", "非法的PID值", ""},
            {"1fff", "非法的PID值!", "Warning", "1FFF"},
            {"01f0", "PID重复,请重新输入!", "Warning", ""},
            {"1f0", "PID重复,请重新输入!", "Warning", ""},  // the same value
        };
        for (const auto& c : cases) {
            Rig rig;
            CPidSetDlg dlg(rig.db, rig.filter, rig.notices);
            Add(dlg, "01f0");
            Add(dlg, c.typed);
            QCOMPARE(rig.notices.TextsUtf8(), std::vector<std::string>{c.text});
            QCOMPARE(Utf8(rig.notices.Shown()[0].caption), std::string(c.caption));
            QCOMPARE(dlg.NewPidEdit()->text(), QString::fromUtf8(c.editAfter));
            QCOMPARE(dlg.List()->count(), 1);
        }
        Rig rig;
        const std::uint16_t old = 0x50;
        rig.filter.SetUserPids(std::span(&old, 1));
        CPidSetDlg dlg(rig.db, rig.filter, rig.notices);
        for (int i = 0; i < 32; ++i) Add(dlg, QByteArray::number(0x1000 + i, 16));
        dlg.TickAll(false);
        Add(dlg, "g");  // a full list is told before a bad character
        QCOMPARE(rig.notices.TextsUtf8().back(),
                 std::string("你添加的PID已经达到32个,如果想添加请先删除一些再操作!"));
        dlg.accept();  // all of 32 four-digit PIDs (160 bytes) are stored, none given
        CPidSetDlg reopened(rig.db, rig.filter, rig.notices);
        QCOMPARE(reopened.Items().size(), 32u);
        QCOMPARE(reopened.Items().back().text, std::string("101F"));
        QVERIFY(rig.UserPids().empty());
    }

    // Enter adds and never confirms; Escape is swallowed; confirm stores both
    // lists in order and gives the filter the ticked ones; select all ticks
    // every PID; cancel stores nothing.
    void enterConfirmCancelAndReopen() {
        Rig rig;
        {
            CPidSetDlg dlg(rig.db, rig.filter, rig.notices);
            dlg.show();
            for (const char* pid : {"1ff", "2a0", "0012"}) Add(dlg, pid, true);
            QTest::keyClick(&dlg, Qt::Key_Escape);
            QVERIFY(dlg.isVisible() && dlg.result() == 0);
            dlg.List()->item(1)->setCheckState(Qt::Unchecked);
            dlg.OkButton()->click();
        }
        const PidLists s = rig.db.ReadPidLists();
        QCOMPARE(
            std::to_string(s.activeCount) + s.active + std::to_string(s.inactiveCount) + s.inactive,
            std::string("21FF|0012|12A0|"));
        QCOMPARE(rig.UserPids(), (std::vector<std::uint16_t>{0x1FF, 0x12}));
        const std::string before = rig.FileText();
        {
            CPidSetDlg dlg(rig.db, rig.filter, rig.notices);
            QCOMPARE(Texts(dlg), (QStringList{"1FF+", "0012+", "2A0-"}));
            dlg.SelectAllButton()->click();
            QCOMPARE(Texts(dlg), (QStringList{"1FF+", "0012+", "2A0+"}));
            dlg.List()->setCurrentRow(1);
            dlg.DeleteButton()->click();
            dlg.SelectNoneButton()->click();
            dlg.CancelButton()->click();
        }
        QCOMPARE(rig.FileText(), before);
    }
};

QTEST_MAIN(PidDialogsTest)
#include "pid_dialogs_test.moc"
