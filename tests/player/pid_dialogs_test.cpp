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
        std::vector<std::uint16_t> pids;
        for (auto slot : filter.Table())
            if ((slot & 0x6000) == 0x2000) pids.push_back(slot & 0x1FFF);
        return pids;
    }
};

void Type(CPidSetDlg& dlg, const char* text) {
    dlg.NewPidEdit()->clear();
    QTest::keyClicks(dlg.NewPidEdit(), text);
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
        rig.db.WriteProgram(Gbk("节目1"),
                            {"", Gbk("节目1"), Gbk("广播节目"), "30", "1f4", "00", "00", "1f4"});
        rig.db.WriteProgramCount(1);
        const std::string before = rig.FileText();
        for (const bool confirm : {true, false}) {
            CProgramPidDlg dlg;
            ProgramEntry p;
            QVERIFY(rig.db.FindProgramByName(Gbk("节目1"), p));
            dlg.SetProgram(p);
            dlg.show();
            QCOMPARE(dlg.windowTitle(), QStringLiteral("节目PID参数"));
            QCOMPARE(dlg.NameEdit()->text(), QStringLiteral("节目1"));
            QCOMPARE(dlg.TypeBox()->currentText(), QStringLiteral("广播节目"));
            QVERIFY(!dlg.TypeBox()->isEnabled());
            QCOMPARE(dlg.VideoPidEdit()->text(), QStringLiteral("00"));
            QCOMPARE(dlg.AudioPid1Edit()->text(), QStringLiteral("1f4"));
            QCOMPARE(dlg.PcrPidEdit()->text(), QStringLiteral("1f4"));
            QVERIFY(dlg.AudioPid2Edit()->isReadOnly());
            confirm ? dlg.accept() : dlg.reject();
            QCOMPARE(rig.FileText(), before);
        }
    }

    // Each refusal: its text and caption, and whether the edit is cleared.
    void addPidChecks() {
        const struct {
            const char* typed;
            const char* text;
            const char* caption;
            const char* editAfter;
        } cases[] = {
            {"1g", "PID值只能是'0-9','a-f','A-F'!", "非法的PID值", ""},
            {"1fff", "非法的PID值!", "Warning", "1FFF"},
            {"01f0", "PID重复,请重新输入!", "Warning", ""},
        };
        for (const auto& c : cases) {
            Rig rig;
            CPidSetDlg dlg(rig.db, rig.filter, rig.notices);
            Type(dlg, "01f0");
            QCOMPARE(dlg.NewPidEdit()->text(), QStringLiteral("01F0"));
            dlg.AddPid();
            Type(dlg, c.typed);
            dlg.AddPid();
            const auto shown = rig.notices.Shown();
            QCOMPARE(shown.size(), 1u);
            QCOMPARE(Utf8(shown[0].text), std::string(c.text));
            QCOMPARE(Utf8(shown[0].caption), std::string(c.caption));
            QCOMPARE(dlg.NewPidEdit()->text(), QString::fromUtf8(c.editAfter));
            QCOMPARE(dlg.List()->count(), 1);
        }
        // Empty text; the 33rd PID even with unticked items; 1F0 beside 01F0.
        Rig rig;
        CPidSetDlg dlg(rig.db, rig.filter, rig.notices);
        dlg.AddPid();
        QCOMPARE(Utf8(rig.notices.Shown().at(0).caption), std::string("非法的PID值"));
        for (int i = 0; i < 32; ++i) {
            Type(dlg, QByteArray::number(0x1F0 + i, 16).constData());
            dlg.AddPid();
        }
        Type(dlg, "1ff0");
        dlg.TickAll(false);
        dlg.AddPid();
        QCOMPARE(dlg.List()->count(), 32);
        QCOMPARE(Utf8(rig.notices.Shown().back().text),
                 std::string("你添加的PID已经达到32个,如果想添加请先删除一些再操作!"));
        QCOMPARE(dlg.NewPidEdit()->text(), QStringLiteral("1FF0"));
    }

    // Enter adds the PID and never confirms; Escape is swallowed; confirm
    // stores both lists in order and ticks only the ticked ones in the
    // filter; a reopen shows the whole list of 32.
    void enterConfirmAndReopen() {
        Rig rig;
        {
            CPidSetDlg dlg(rig.db, rig.filter, rig.notices);
            dlg.show();
            for (const char* pid : {"1ff", "2a0", "0012"}) {
                Type(dlg, pid);
                QTest::keyClick(dlg.NewPidEdit(), Qt::Key_Return);
            }
            QTest::keyClick(&dlg, Qt::Key_Return);  // empty text: nothing
            QTest::keyClick(&dlg, Qt::Key_Escape);
            QVERIFY(dlg.isVisible());
            QCOMPARE(dlg.result(), 0);
            QCOMPARE(Texts(dlg), (QStringList{"1FF+", "2A0+", "0012+"}));
            dlg.List()->item(1)->setCheckState(Qt::Unchecked);
            dlg.OkButton()->click();
            QCOMPARE(dlg.result(), int(QDialog::Accepted));
        }
        // The lists as the file holds them: the database tests check its lines.
        const PidLists s = rig.db.ReadPidLists();
        QCOMPARE(
            std::to_string(s.activeCount) + s.active + std::to_string(s.inactiveCount) + s.inactive,
            std::string("21FF|0012|12A0|"));
        QCOMPARE(rig.UserPids(), (std::vector<std::uint16_t>{0x1FF, 0x12}));

        // 32 four-digit PIDs: 160 bytes, more than a 100-byte reader keeps.
        {
            CPidSetDlg dlg(rig.db, rig.filter, rig.notices);
            QCOMPARE(Texts(dlg), (QStringList{"1FF+", "0012+", "2A0-"}));
            dlg.DeleteAll();
            for (int i = 0; i < 32; ++i) {
                Type(dlg, QByteArray::number(0x1000 + i, 16).constData());
                dlg.AddPid();
            }
            dlg.accept();
        }
        CPidSetDlg reopened(rig.db, rig.filter, rig.notices);
        QCOMPARE(reopened.List()->count(), 32);
        QCOMPARE(reopened.Items().back().text, std::string("101F"));
        QCOMPARE(rig.UserPids().size(), 32u);
    }

    // Select all then none, delete, cancel: cancel touches neither the file
    // nor the filter; an all-unticked confirm gives the filter nothing.
    void selectDeleteAndCancel() {
        Rig rig;
        rig.db.WritePidLists({1, "A|", 2, "B|C|"});
        const std::string before = rig.FileText();
        {
            CPidSetDlg dlg(rig.db, rig.filter, rig.notices);
            dlg.SelectAllButton()->click();
            QCOMPARE(Texts(dlg), (QStringList{"A+", "B+", "C+"}));
            dlg.DeleteButton()->click();  // nothing selected
            QCOMPARE(dlg.List()->count(), 3);
            dlg.List()->setCurrentRow(1);
            dlg.DeleteButton()->click();
            QCOMPARE(Texts(dlg), (QStringList{"A+", "C+"}));
            dlg.CancelButton()->click();
        }
        QCOMPARE(rig.FileText(), before);
        QVERIFY(rig.UserPids().empty());
        const std::uint16_t old = 0x50;
        rig.filter.SetUserPids(std::span(&old, 1));
        CPidSetDlg dlg(rig.db, rig.filter, rig.notices);
        dlg.SelectAllButton()->click();
        dlg.SelectNoneButton()->click();
        dlg.OkButton()->click();
        QCOMPARE(rig.db.ReadPidLists().activeCount, 0);
        QCOMPARE(rig.db.ReadPidLists().active, std::string(""));
        QVERIFY(rig.UserPids().empty());
    }
};

QTEST_MAIN(PidDialogsTest)
#include "pid_dialogs_test.moc"
