#include "app/gui/receiver_dlg.h"

#include <QtTest>

#include "app/gui/status_painter.h"
#include "platform/text.h"
#include "support/button_centre.h"
#include "tests/support/window_pixels.h"
#include "tests/support/window_rig.h"
#include "ui/resources.h"

namespace orbix {
namespace {

using testing::ButtonCentre;
using testing::CountNear;
using testing::IconShows;
using testing::ShownImage;
using testing::WindowRig;

void Click(QWidget& w, QPoint press, QPoint release) {
    QTest::mousePress(&w, Qt::LeftButton, {}, press);
    QTest::mouseRelease(&w, Qt::LeftButton, {}, release);
}

// A drag of the face, pressed off every button.
void Drag(QWidget& w, QPoint by) {
    const QPoint face(200, 30);
    QTest::mousePress(&w, Qt::LeftButton, {}, face);
    QTest::mouseMove(&w, face + by);
    QTest::mouseRelease(&w, Qt::LeftButton, {}, face + by);
}

}  // namespace

class ReceiverDlgTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() { InitResources(); }

    void FailedBringUpTellsWhyAndStartsNothing() {
        const std::pair<std::function<void(WindowRig&)>, QString> cases[] = {
            {[](WindowRig& r) { r.card.Status().SetFault(sim::StatusFault::Persistent); },
             "93C46错误，内部寄存器0x51错误!"},
            {[](WindowRig& r) { std::remove(r.Path("conwh.ocx").c_str()); },
             "本软件与当前硬件版本不匹配，请与设备供应商联系！"},
            {[](WindowRig& r) { r.frontEnd->SetDemodSilent(true); }, "初始化高频头失败!"},
        };
        for (const auto& [spoil, text] : cases) {
            WindowRig rig;
            spoil(rig);
            rig.MakeWindow();
            QVERIFY(!rig.dlg->BringUp());
            QCOMPARE(rig.shown.value(rig.shown.size() - 1), "orbixrx: " + text);
            QVERIFY(!rig.session->IsUp() && !rig.dlg->Tray().Shown() && !rig.dlg->isVisible());
            QVERIFY(rig.dlg->Child(ChildKind::SatTree) == nullptr);
        }
    }

    void ButtonsTrayAndLock() {
        WindowRig rig;
        rig.MakeWindow();
        QVERIFY(rig.dlg->BringUp());
        CReceiverDlg& dlg = *rig.dlg;
        dlg.Status().Stop();  // the lock colour changes on the ticks given here
        dlg.SetLabelText(Gbk("正在播放节目1"));
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        // Until the first lock reading the tray shows the program's own icon.
        QCOMPARE(dlg.Tray().State(), TrayState::Undetermined);
        QVERIFY(IconShows(dlg.Tray().Icon(), ResourcePath(kIconProgram)));
        QCOMPARE(dlg.Tray().Tip(), QStringLiteral("信号处于无定状态"));
        const QColor red = ToQColor(kUnlockedRed), green = ToQColor(kLockedGreen);
        QTRY_VERIFY(CountNear(ShownImage(dlg), CReceiverDlg::LabelRect(), red) > 20);
        CSkinWindow* list = dlg.Child(ChildKind::ProgramList);
        CSkinWindow* tree = dlg.Child(ChildKind::SatTree);
        QVERIFY(list && tree && !list->isVisible() && !tree->isVisible());
        // The children wait at their places: under the main window and at its right.
        const QPoint start = dlg.pos(), listAt(0, 122 - 3);
        QCOMPARE(list->pos(), start + listAt);
        QCOMPARE(tree->pos(), start + QPoint(350 - 1, 0));

        // Shown, hidden and shown again, the list is docked once and follows
        // every drag; the tree, shown and hidden, stays where it was.
        for (int button : {7, 7, 7, 6, 6}) Click(dlg, ButtonCentre(button), ButtonCentre(button));
        QVERIFY(list->isVisible() && !tree->isVisible());
        QCOMPARE(dlg.Docks().DockedCount(list->DockHandle()), 1);
        QCOMPARE(dlg.Docks().DockedCount(tree->DockHandle()), 0);
        for (QPoint by : {QPoint(-40, -30), QPoint(25, 60)}) {
            Drag(dlg, by);
            QTRY_COMPARE(list->pos(), dlg.pos() + listAt);
        }
        QCOMPARE(dlg.pos(), start + QPoint(-15, 30));
        QCOMPARE(tree->pos(), start + QPoint(350 - 1, 0));

        // Hidden and brought back by a tray click, twice: only the children
        // that were shown come back, still docked.
        for (int round = 0; round < 2; ++round) {
            dlg.HideAll();
            QVERIFY(!dlg.isVisible() && !list->isVisible());
            dlg.Tray().Activate(QSystemTrayIcon::Trigger);
            QVERIFY(dlg.isVisible() && list->isVisible() && !tree->isVisible());
        }
        Drag(dlg, QPoint(10, 10));
        QTRY_COMPARE(list->pos(), dlg.pos() + listAt);

        // Then the tray and the face follow the session's lock: the icon and
        // tip, and the status line and the text in green.
        QTRY_VERIFY_WITH_TIMEOUT(dlg.Locked(), 30000);
        dlg.Status().Tick();
        QCOMPARE(dlg.Tray().State(), TrayState::Locked);
        QCOMPARE(dlg.Tray().Tip(), QStringLiteral("信号锁定—Orbix多媒体数据接收卡"));
        QVERIFY(IconShows(dlg.Tray().Icon(), ResourcePath(kIconLocked)));
        QTRY_VERIFY(CountNear(ShownImage(dlg), CReceiverDlg::LabelRect(), green) > 20);
        QCOMPARE(CountNear(ShownImage(dlg), CReceiverDlg::LabelRect(), red), 0);
        QVERIFY(CountNear(ShownImage(dlg), StatusTextRect(), green) > 20);
        dlg.Tray().Update(false);
        QVERIFY(IconShows(dlg.Tray().Icon(), ResourcePath(kIconNotLocked)));
        QCOMPARE(dlg.Tray().Tip(), QStringLiteral("信号未锁定—Orbix多媒体数据接收卡"));

        Click(dlg, ButtonCentre(2), ButtonCentre(2));  // 关闭
        QVERIFY(dlg.ShutDown() && !rig.session->IsUp() && !dlg.Tray().Shown());
    }
};

}  // namespace orbix

QTEST_MAIN(orbix::ReceiverDlgTest)
#include "receiver_dlg_test.moc"
