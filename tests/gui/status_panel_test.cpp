#include "app/gui/status_panel.h"

#include <QPaintEvent>
#include <QtTest>

#include "app/gui/status_painter.h"

namespace orbix {

// A face that remembers which region each paint covered.
class ProbeFace final : public QWidget {
  public:
    ProbeFace() { setFixedSize(350, 122); }
    QRegion painted;
    int paints = 0;

  protected:
    void paintEvent(QPaintEvent* event) override {
        painted += event->region();
        ++paints;
    }
};

class StatusPanelTest : public QObject {
    Q_OBJECT
  private slots:
    void RepaintsOnlyWhatChanged() {
        ProbeFace face;
        bool locked = false;
        CTray tray({}, {}, false);
        CStatusPanel panel(face, {[&] { return locked; }, [] { return std::string("TP"); }}, &tray);
        panel.Reset("TP");
        face.show();
        QVERIFY(QTest::qWaitForWindowExposed(&face));
        QTRY_VERIFY(face.paints > 0);
        QCoreApplication::processEvents();
        face.painted = {};

        panel.OnReadings(80, 50);
        QTRY_VERIFY(!face.painted.isEmpty());
        QVERIFY(face.painted.intersects(GaugeColumnsRect(kLevelGauge, 0, 160)));
        QVERIFY(!face.painted.intersects(StatusTextRect()));
        QVERIFY(!face.painted.intersects(ArcsRect()));

        face.painted = {};
        const int paints = face.paints;
        panel.OnReadings(80, 50);  // unchanged readings: nothing to repaint
        QCoreApplication::processEvents();
        QCOMPARE(face.paints, paints);

        Rgb label = kBlack;
        panel.labelColourChanged = [&label](Rgb colour) { label = colour; };
        locked = true;
        panel.Tick();
        QCOMPARE(tray.State(), TrayState::Locked);  // the tray follows within the tick
        QCOMPARE(label, kLockedGreen);
        QTRY_VERIFY(face.painted.intersects(StatusTextRect()));
        QVERIFY(face.painted.intersects(ArcsRect()));
        QVERIFY(!face.painted.intersects(GaugeColumnsRect(kQualityGauge, 0, 200)));
    }
};

}  // namespace orbix

QTEST_MAIN(orbix::StatusPanelTest)
#include "status_panel_test.moc"
