#include "app/gui/status_painter.h"

#include <QFontMetrics>
#include <QString>

#include "platform/text.h"
#include "ui/qt_text.h"

namespace orbix {
namespace {

constexpr int kFacePixelsWide = 350;

int TextHeight() { return QFontMetrics(StatusFont()).height(); }

}  // namespace

QFont StatusFont() {
    QFont font(QStringLiteral("Arial"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(11);
    return font;
}

QRect StatusTextRect() {
    return QRect(kStatusTextX, kStatusTextY, kFacePixelsWide - kStatusTextX, TextHeight());
}

QRect ArcsRect() {
    const ArcBox& outer = kArcBoxes.back();
    return QRect(QPoint(outer.left, outer.top), QPoint(outer.right, outer.bottom));
}

QRect GaugeColumnsRect(const GaugeGeometry& gauge, int from, int to) {
    return QRect(kGaugeX + from, gauge.barY, to - from, kGaugeHeight);
}

QRect GaugeTextRect(const GaugeGeometry& gauge) {
    // Wide enough for "100%": a shorter text must not leave the old one's tail.
    const int width = QFontMetrics(StatusFont()).horizontalAdvance(QStringLiteral("100%  "));
    return QRect(kGaugeTextX, gauge.textY, std::min(width, kFacePixelsWide - kGaugeTextX),
                 TextHeight());
}

QRect GaugeChangeRect(const GaugeGeometry& gauge, const GaugeChange& change) {
    QRect rect;
    if (change.from < change.to) rect = GaugeColumnsRect(gauge, change.from, change.to);
    if (change.textChanged) rect = rect.united(GaugeTextRect(gauge));
    return rect;
}

void PaintStatusText(QPainter& painter, const StatusScene& scene) {
    if (!scene.started) return;
    painter.save();
    painter.setFont(StatusFont());
    const QString text = FromGbk(scene.drawnGbk);
    const QFontMetrics metrics(painter.font());
    const QRect box(kStatusTextX, kStatusTextY, metrics.horizontalAdvance(text), metrics.height());
    painter.fillRect(box, Qt::black);
    painter.setPen(ToQColor(scene.textColour));
    painter.drawText(QPoint(kStatusTextX, kStatusTextY + metrics.ascent()), text);
    painter.restore();
}

void PaintArcs(QPainter& painter, const StatusScene& scene) {
    if (!scene.started) return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    for (std::size_t arc = 0; arc < kArcBoxes.size(); ++arc) {
        const ArcBox& b = kArcBoxes[arc];
        painter.setPen(QPen(ToQColor(scene.arcColours[arc]), 1));
        // Qt angles are in sixteenths of a degree, counter-clockwise from 3 o'clock.
        painter.drawArc(QRect(b.left, b.top, b.right - b.left, b.bottom - b.top), 0, 90 * 16);
    }
    painter.restore();
}

void PaintGauge(QPainter& painter, const GaugeGeometry& gauge, const GaugeScene& scene) {
    for (int column = 0; column < scene.barColumns; ++column)
        painter.fillRect(GaugeColumnsRect(gauge, column, column + 1),
                         ToQColor(GaugeColumnColour(column)));
    if (scene.blackEnd > scene.barColumns)
        painter.fillRect(GaugeColumnsRect(gauge, scene.barColumns, scene.blackEnd), Qt::black);
    if (scene.text.empty()) return;
    painter.save();
    painter.setFont(StatusFont());
    const QRect box = GaugeTextRect(gauge);
    painter.fillRect(box, ToQColor(kGaugeTextBackground));
    painter.setPen(ToQColor(kGaugeTextColour));
    painter.drawText(QPoint(box.left(), box.top() + painter.fontMetrics().ascent()),
                     QString::fromStdString(scene.text));
    painter.restore();
}

void PaintStatus(QPainter& painter, const StatusScene& status, const GaugeScene& level,
                 const GaugeScene& quality) {
    PaintStatusText(painter, status);
    PaintArcs(painter, status);
    PaintGauge(painter, kLevelGauge, level);
    PaintGauge(painter, kQualityGauge, quality);
}

}  // namespace orbix
