#include "app/gui/status_painter.h"

#include <QImage>
#include <QPainter>
#include <QtTest>
#include <cmath>

#include "platform/text.h"
#include "tests/support/window_pixels.h"

namespace orbix {
namespace {

using testing::CountNear;
const QColor kFace = ToQColor(kArcBackground);

template <typename Paint>
QImage Painted(Paint paint) {
    QImage image(350, 122, QImage::Format_RGB32);
    image.fill(kFace);
    QPainter painter(&image);
    paint(painter);
    return image;
}

// Pixels of a colour within 1.2 pixels of arc `arc`'s radius in its upper
// right quarter (the three bands do not overlap).
int ArcPixels(const QImage& image, int arc, QColor colour) {
    const ArcBox& b = kArcBoxes[arc];
    const double radius = (b.right - b.left) / 2.0;
    int n = 0;
    for (int y = b.top - 1; y <= 39; ++y)
        for (int x = 79; x <= b.right + 1; ++x)
            n += std::abs(std::hypot(x - 80.0, y - 38.0) - radius) <= 1.2 &&
                 image.pixelColor(x, y) == colour;
    return n;
}

}  // namespace

class StatusPainterTest : public QObject {
    Q_OBJECT
  private slots:
    void GaugeColumnsFollowTheGradient() {
        CGauge gauge;
        gauge.Update(80);
        const QImage image =
            Painted([&](QPainter& p) { PaintGauge(p, kLevelGauge, gauge.Scene()); });
        for (int column : {0, 159})
            QCOMPARE(image.pixelColor(105 + column, 58), ToQColor(GaugeColumnColour(column)));
        QCOMPARE(image.pixelColor(105 + 160, 55), kFace);  // beyond the bar
        QVERIFY(CountNear(image, GaugeTextRect(kLevelGauge), ToQColor(kGaugeTextColour)) > 0);
    }

    void ADropErasesInBlackOnly() {
        CGauge gauge;
        gauge.Update(80);
        gauge.Update(30);
        const QImage image =
            Painted([&](QPainter& p) { PaintGauge(p, kQualityGauge, gauge.Scene()); });
        QCOMPARE(image.pixelColor(164, 70), ToQColor(GaugeColumnColour(59)));
        for (int x : {165, 264}) QCOMPARE(image.pixelColor(x, 70), QColor(Qt::black));
        QCOMPARE(image.pixelColor(265, 70), kFace);
    }

    // One, two, three arcs by turn, in the lock's colour from the tick that
    // saw the lock.
    void ArcsByPhase() {
        CStatusDisplay display;
        display.Build("TP", false);
        const int shown[] = {2, 3, 1, 2};  // arcs shown after each tick
        for (int tick = 0; tick < 4; ++tick) {
            display.Tick(tick >= 2, "TP");
            const QImage image = Painted([&](QPainter& p) { PaintArcs(p, display.Scene()); });
            for (int arc = 0; arc < 3; ++arc) {
                const int pixels = ArcPixels(image, arc, ToQColor(LockColour(tick >= 2)));
                QVERIFY2(arc < shown[tick] ? pixels >= 10 : pixels == 0,
                         qPrintable(
                             QStringLiteral("tick %1 arc %2: %3").arg(tick).arg(arc).arg(pixels)));
            }
        }
    }

    void StatusTextInTheLockColour() {
        for (bool locked : {true, false}) {
            CStatusDisplay display;
            display.Build("", false);
            display.Tick(locked, Gbk("亚太6A"));
            const QImage image = Painted([&](QPainter& p) { PaintStatusText(p, display.Scene()); });
            const QRect rect = StatusTextRect();
            QVERIFY(CountNear(image, rect, ToQColor(LockColour(locked))) > 20);
            QCOMPARE(CountNear(image, rect, ToQColor(LockColour(!locked))), 0);
            QVERIFY(CountNear(image, rect, Qt::black) > 20);  // opaque black behind the text
        }
    }
};

}  // namespace orbix

QTEST_MAIN(orbix::StatusPainterTest)
#include "status_painter_test.moc"
