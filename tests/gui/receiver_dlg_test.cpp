#include "app/receiver_dlg.h"

#include <QTemporaryDir>
#include <QtTest>
#include <fstream>
#include <mutex>

#include "app/gui/status_painter.h"
#include "platform/text.h"
#include "sim/card_logic_model.h"
#include "sim/front_end.h"
#include "sim/sim_card.h"
#include "support/sky_record.h"
#include "ui/resources.h"

namespace orbix {
namespace {

// A simulated card in front of the built-in sky, in virtual time, with its
// image and a database of the sky's transponders locked on 12622V; the
// notices record the texts their boxes would show.
struct WindowRig {
    WindowRig() {
        frontEnd = sim::CSimFrontEnd::Create(sim::DefaultSky(), clock);
        frontEnd->AttachTo(card);
        const auto image = sim::CCardLogicModel::MakeValidImage();
        std::ofstream(Path("conwh.ocx"), std::ios::binary)
            .write(reinterpret_cast<const char*>(image.data()),
                   static_cast<std::streamsize>(image.size()));
        CChannelDatabase database(Path("SATSETUPL.ini"));
        for (const auto& sat : sim::DefaultSky().satellites) {
            for (const auto& tp : sat.transponders)
                database.AddTransponder(RecordFor(sat, tp), [] { return true; });
        }
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
    QStringList Texts() {
        std::lock_guard lock(mutex);
        return texts;
    }

    QTemporaryDir dir;
    CVirtualClock clock;
    sim::CSimCard card;
    std::shared_ptr<sim::CSimFrontEnd> frontEnd;
    std::mutex mutex;
    QStringList texts;
    QStringList captions;
    CQtNotices notices{QStringLiteral("orbixrx"),
                       [this](const Notice&, const QString& text, const QString& caption) {
                           std::lock_guard lock(mutex);
                           texts << text;
                           captions << caption;
                           return NoticeAnswer::Ok;
                       }};
    std::unique_ptr<CCardSession> session;
    std::unique_ptr<CReceiverDlg> dlg;
};

QPoint Centre(int button) {
    const ButtonEntry& b = g_buttonTable[button];
    return {b.left + b.width / 2, b.top + b.height / 2};
}

void Click(QWidget& w, QPoint press, QPoint release) {
    QTest::mousePress(&w, Qt::LeftButton, {}, press);
    QTest::mouseRelease(&w, Qt::LeftButton, {}, release);
}

// Whether text in the area is drawn mostly in that pure colour (red or
// green); antialiased edges never reach the pure value.
bool HasColour(const QImage& image, const QRect& area, QColor colour) {
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            const bool green = c.green() > 160 && c.red() < 90 && c.blue() < 90;
            const bool red = c.red() > 160 && c.green() < 90 && c.blue() < 90;
            if (colour.green() == 255 ? green : red) return true;
        }
    }
    return false;
}

}  // namespace

class ReceiverDlgTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() { InitResources(); }

    void FailedBringUpTellsWhyAndStartsNothing() {
        struct Case {
            const char* what;
            std::function<void(WindowRig&)> spoil;
            QString text;
        };
        const Case cases[] = {
            {"status fault",
             [](WindowRig& r) { r.card.Status().SetFault(sim::StatusFault::Persistent); },
             QStringLiteral("93C46错误，内部寄存器0x51错误!")},
            {"no image", [](WindowRig& r) { std::remove(r.Path("conwh.ocx").c_str()); },
             QStringLiteral("本软件与当前硬件版本不匹配，请与设备供应商联系！")},
            {"silent demodulator", [](WindowRig& r) { r.frontEnd->SetDemodSilent(true); },
             QStringLiteral("初始化高频头失败!")},
        };
        for (const Case& c : cases) {
            WindowRig rig;
            c.spoil(rig);
            rig.MakeWindow();
            QVERIFY2(!rig.dlg->BringUp(), c.what);
            QVERIFY2(!rig.Texts().isEmpty(), c.what);
            QCOMPARE(rig.Texts().last(), c.text);
            QCOMPARE(rig.captions.last(), QStringLiteral("orbixrx"));
            QVERIFY(!rig.session->IsUp());
            QVERIFY(!rig.dlg->Tray().Shown());
            QVERIFY(rig.dlg->Child(ChildKind::SatTree) == nullptr);
            QVERIFY(!rig.dlg->isVisible());
        }
    }

    void ButtonsActOnlyOnAReleaseInsideThePressedButton() {
        WindowRig rig;
        rig.MakeWindow();
        QVERIFY(rig.dlg->BringUp());
        CReceiverDlg& dlg = *rig.dlg;
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        CSkinWindow* list = dlg.Child(ChildKind::ProgramList);
        CSkinWindow* tree = dlg.Child(ChildKind::SatTree);
        QVERIFY(list && tree && !list->isVisible() && !tree->isVisible());
        // The children wait at their places: under the main window and at its right.
        QCOMPARE(list->pos(), dlg.pos() + QPoint(0, 122 - 3));
        QCOMPARE(tree->pos(), dlg.pos() + QPoint(350 - 1, 0));

        Click(dlg, Centre(7), Centre(7));
        QVERIFY(list->isVisible());
        QCOMPARE(dlg.Shown(ChildKind::ProgramList), 1);
        QCOMPARE(g_dockManager.DockedCount(list->DockHandle()), 1);
        Click(dlg, Centre(6), QPoint(300, 40));  // released outside: nothing
        QVERIFY(!tree->isVisible());
        QCOMPARE(dlg.PressedButton(), -1);
        Click(dlg, QPoint(200, 30), Centre(6));  // pressed outside every button
        QVERIFY(!tree->isVisible());
        Click(dlg, Centre(6), Centre(6));
        QVERIFY(tree->isVisible());

        QTest::keyClick(&dlg, Qt::Key_Escape);
        QTest::keyClick(&dlg, Qt::Key_Return);
        QVERIFY(dlg.isVisible());

        // Hide all, then a tray click brings back the children that were shown.
        Click(dlg, Centre(7), Centre(7));
        QCOMPARE(dlg.Shown(ChildKind::ProgramList), 0);
        QCOMPARE(g_dockManager.DockedCount(list->DockHandle()), 0);
        dlg.HideAll();
        QVERIFY(!dlg.isVisible() && !tree->isVisible());
        dlg.Tray().Activate(QSystemTrayIcon::Trigger);
        QVERIFY(dlg.isVisible() && tree->isVisible() && !list->isVisible());
        dlg.HideAll();
        dlg.Tray().Menu()->actions().at(0)->trigger();  // 显示主界面: all three
        QVERIFY(dlg.isVisible() && tree->isVisible() && list->isVisible());

        Click(dlg, Centre(2), Centre(2));  // 关闭
        QVERIFY(dlg.ShutDown());
        QVERIFY(!rig.session->IsUp());
        QVERIFY(!dlg.Tray().Shown());
        QCOMPARE(rig.card.Logic().PidTable(), (std::array<std::uint16_t, 32>{}));
    }

    void LockAndReadingsReachTheFaceTheLabelAndTheTray() {
        WindowRig rig;
        rig.MakeWindow();
        QVERIFY(rig.dlg->BringUp());
        CReceiverDlg& dlg = *rig.dlg;
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        QCOMPARE(dlg.Tray().Tip(), QStringLiteral("信号处于无定状态"));
        QTRY_VERIFY_WITH_TIMEOUT(dlg.Locked(), 30000);
        QTRY_VERIFY_WITH_TIMEOUT(dlg.Status().Level().Scene().barColumns > 0, 30000);
        dlg.Status().Tick();
        QCOMPARE(dlg.Tray().Tip(), QStringLiteral("信号锁定—Orbix多媒体数据接收卡"));
        QCOMPARE(dlg.Tray().State(), TrayState::Locked);
        dlg.SetLabelText(Gbk("正在播放节目1"));

        const QImage face = dlg.grab().toImage();
        QVERIFY(HasColour(face, StatusTextRect(), QColor(0, 255, 0)));
        QVERIFY(!HasColour(face, StatusTextRect(), QColor(255, 0, 0)));
        QCOMPARE(face.pixelColor(105, 54), QColor(255, 0, 0));  // first gauge column
        QVERIFY(HasColour(face, CReceiverDlg::LabelRect(), QColor(0, 255, 0)));
        dlg.Shutdown();
    }
};

}  // namespace orbix

QTEST_MAIN(orbix::ReceiverDlgTest)
#include "receiver_dlg_test.moc"
