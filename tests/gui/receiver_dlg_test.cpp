#include "app/gui/receiver_dlg.h"

#include <QTemporaryDir>
#include <QtTest>
#include <mutex>

#include "sim/card_logic_model.h"
#include "sim/front_end.h"
#include "sim/sim_card.h"
#include "support/button_centre.h"
#include "support/card_fixture.h"
#include "support/sky_record.h"
#include "ui/resources.h"

namespace orbix {
namespace {

using testing::ButtonCentre;

// A simulated card before the built-in sky in virtual time, its image, and a
// database of the sky locked on 12622V; the notices keep the texts shown.
struct WindowRig {
    WindowRig() {
        frontEnd = sim::CSimFrontEnd::Create(sim::DefaultSky(), clock);
        frontEnd->AttachTo(card);
        testing::WriteFile(Path("conwh.ocx"), sim::CCardLogicModel::MakeValidImage());
        CChannelDatabase database(Path("SATSETUPL.ini"));
        StoreSky(database, sim::DefaultSky());
        database.WriteLockAndLast("Sat-Ku", "12622V");
    }
    std::string Path(const char* name) const {
        return dir.filePath(QString::fromLatin1(name)).toStdString();
    }
    void MakeWindow() {
        session = std::make_unique<CCardSession>(CardSessionContext{
            card, clock, notices, card.IoBase(), Path("conwh.ocx"), Path("SATSETUPL.ini"), {}});
        dlg = std::make_unique<CReceiverDlg>(ReceiverParts{*session, notices, false, false});
    }

    QTemporaryDir dir;
    CVirtualClock clock;
    sim::CSimCard card;
    std::shared_ptr<sim::CSimFrontEnd> frontEnd;
    std::mutex mutex;
    QStringList shown;  // "caption: text" of every box
    CQtNotices notices{QStringLiteral("orbixrx"),
                       [this](const Notice&, const QString& text, const QString& caption) {
                           std::lock_guard lock(mutex);
                           shown << caption + ": " + text;
                           return NoticeAnswer::Ok;
                       }};
    std::unique_ptr<CCardSession> session;
    std::unique_ptr<CReceiverDlg> dlg;
};

void Click(QWidget& w, QPoint press, QPoint release) {
    QTest::mousePress(&w, Qt::LeftButton, {}, press);
    QTest::mouseRelease(&w, Qt::LeftButton, {}, release);
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
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        QCOMPARE(dlg.Tray().State(), TrayState::Undetermined);  // until the first lock reading
        CSkinWindow* list = dlg.Child(ChildKind::ProgramList);
        CSkinWindow* tree = dlg.Child(ChildKind::SatTree);
        QVERIFY(list && tree && !list->isVisible() && !tree->isVisible());
        // The children wait at their places: under the main window and at its right.
        QCOMPARE(list->pos(), dlg.pos() + QPoint(0, 122 - 3));
        QCOMPARE(tree->pos(), dlg.pos() + QPoint(350 - 1, 0));

        // A button acts only on a release inside the button that was pressed.
        Click(dlg, ButtonCentre(7), ButtonCentre(7));
        QVERIFY(list->isVisible());
        QCOMPARE(dlg.Docks().DockedCount(list->DockHandle()), 1);
        Click(dlg, ButtonCentre(6), QPoint(300, 40));
        QCOMPARE(dlg.PressedButton(), -1);
        Click(dlg, QPoint(200, 30), ButtonCentre(6));
        QVERIFY(!tree->isVisible());
        Click(dlg, ButtonCentre(6), ButtonCentre(6));
        QVERIFY(tree->isVisible());
        QTest::keyClick(&dlg, Qt::Key_Escape);
        QTest::keyClick(&dlg, Qt::Key_Return);
        QVERIFY(dlg.isVisible());

        // A tray click brings back only the children that were shown.
        Click(dlg, ButtonCentre(7), ButtonCentre(7));
        QCOMPARE(dlg.Docks().DockedCount(list->DockHandle()), 0);
        dlg.HideAll();
        QVERIFY(!dlg.isVisible() && !tree->isVisible());
        dlg.Tray().Activate(QSystemTrayIcon::Trigger);
        QVERIFY(dlg.isVisible() && tree->isVisible() && !list->isVisible());

        // Then the tray follows the session's lock.
        QTRY_VERIFY_WITH_TIMEOUT(dlg.Locked(), 30000);
        dlg.Status().Tick();
        QCOMPARE(dlg.Tray().State(), TrayState::Locked);

        Click(dlg, ButtonCentre(2), ButtonCentre(2));  // 关闭
        QVERIFY(dlg.ShutDown() && !rig.session->IsUp() && !dlg.Tray().Shown());
    }
};

}  // namespace orbix

QTEST_MAIN(orbix::ReceiverDlgTest)
#include "receiver_dlg_test.moc"
