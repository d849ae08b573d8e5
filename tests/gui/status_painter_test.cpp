#include "app/gui/status_painter.h"

#include <QImage>
#include <QPainter>
#include <QtTest>
#include <cmath>

#include "platform/text.h"

namespace orbix {
namespace {

const QColor kFace = ToQColor(kArcBackground);

QImage Face() {
    QImage image(350, 122, QImage::Format_RGB32);
    image.fill(kFace);
    return image;
}

template <typename Paint>
QImage Painted(Paint paint) {
    QImage image = Face();
    QPainter painter(&image);
    paint(painter);
    return image;
}

bool Near(QColor a, QColor b) {
    return std::abs(a.red() - b.red()) < 40 && std::abs(a.green() - b.green()) < 40 &&
           std::abs(a.blue() - b.blue()) < 40;
}

// Pixels of one colour in a rectangle.
int Count(const QImage& image, const QRect& rect, QColor colour) {
    int n = 0;
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x)
            n += Near(image.pixelColor(x, y), colour) ? 1 : 0;
    return n;
}

// Pixels of a colour near arc `arc` (upper-right quarter, within 1.2 pixels of
// its radius; the three bands do not overlap).
int ArcPixels(const QImage& image, int arc, QColor colour) {
    const ArcBox& b = kArcBoxes[arc];
    const double radius = (b.right - b.left) / 2.0;
    int n = 0;
    for (int y = b.top - 1; y <= 39; ++y)
        for (int x = 79; x <= b.right + 1; ++x)
            if (std::abs(std::hypot(x - 80.0, y - 38.0) - radius) <= 1.2 &&
                image.pixelColor(x, y) == colour)
                ++n;
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
        for (int column : {0, 57, 100, 159})
            for (int y : {51, 58})
                QCOMPARE(image.pixelColor(105 + column, y), ToQColor(GaugeColumnColour(column)));
        QCOMPARE(image.pixelColor(105 + 160, 55), kFace);  // beyond the bar: the face
        QCOMPARE(image.pixelColor(105, 50), kFace);        // above the bar
        QVERIFY(Count(image, GaugeTextRect(kLevelGauge), ToQColor(kGaugeTextColour)) > 0);
    }

    void ADropErasesInBlackOnly() {
        CGauge gauge;
        gauge.Update(80);
        const GaugeChange change = gauge.Update(30);
        QCOMPARE(GaugeChangeRect(kQualityGauge, change).left(), 165);
        const QImage image =
            Painted([&](QPainter& p) { PaintGauge(p, kQualityGauge, gauge.Scene()); });
        QCOMPARE(image.pixelColor(164, 70), ToQColor(GaugeColumnColour(59)));
        for (int x : {165, 200, 264}) QCOMPARE(image.pixelColor(x, 70), QColor(Qt::black));
        QCOMPARE(image.pixelColor(265, 70), kFace);
    }

    void ArcsByPhase() {
        CStatusDisplay display;
        display.Build("TP", false);
        const QColor red = ToQColor(kUnlockedRed);
        for (int tick = 0; tick < 3; ++tick) {
            display.Tick(false, "TP");
            const int shown = display.ArcPhase() + 1;
            const QImage image = Painted([&](QPainter& p) { PaintArcs(p, display.Scene()); });
            for (int arc = 0; arc < 3; ++arc) {
                const int pixels = ArcPixels(image, arc, red);
                const QString where = QStringLiteral("phase %1 arc %2: %3 pixels")
                                          .arg(display.ArcPhase())
                                          .arg(arc)
                                          .arg(pixels);
                QVERIFY2(arc < shown ? pixels >= 10 : pixels == 0, qPrintable(where));
            }
            QCOMPARE(Count(image, QRect(60, 0, 50, 22), red), 0);  // nothing above the symbol
        }
    }

    void StatusTextInTheLockColour() {
        for (bool locked : {true, false}) {
            CStatusDisplay display;
            display.Build("", false);
            display.Tick(locked, Gbk("亚太6A"));
            const QImage image = Painted([&](QPainter& p) { PaintStatusText(p, display.Scene()); });
            const QRect rect = StatusTextRect();
            const QColor on = ToQColor(LockColour(locked));
            const QColor other = ToQColor(LockColour(!locked));
            QVERIFY(Count(image, rect, on) > 20);
            QCOMPARE(Count(image, rect, other), 0);
            QVERIFY(Count(image, rect, Qt::black) > 20);  // opaque black behind the text
            QCOMPARE(image.pixelColor(104, 30), kFace);
        }
    }
};

}  // namespace orbix

QTEST_MAIN(orbix::StatusPainterTest)
#include "status_painter_test.moc"
