#pragma once

#include <QColor>
#include <QFont>
#include <QPainter>
#include <QRect>

#include "view/gauge.h"
#include "view/status_display.h"

namespace orbix {

inline QColor ToQColor(Rgb c) { return QColor(c.r, c.g, c.b); }

// "Arial" at 8.5 points on a 96-dpi face: 11 pixels, whatever the device.
QFont StatusFont();

// Areas of the 350 x 122 face, for repainting only what changed.
QRect StatusTextRect();
QRect ArcsRect();
QRect GaugeColumnsRect(const GaugeGeometry& gauge, int from, int to);
QRect GaugeTextRect(const GaugeGeometry& gauge);
// The union of what a reading changed; empty when nothing did.
QRect GaugeChangeRect(const GaugeGeometry& gauge, const GaugeChange& change);

// Each draws its element over the face already painted beneath it; call
// them from the window's paint event on the user-interface thread.
void PaintStatusText(QPainter& painter, const StatusScene& scene);
void PaintArcs(QPainter& painter, const StatusScene& scene);
void PaintGauge(QPainter& painter, const GaugeGeometry& gauge, const GaugeScene& scene);

// Everything at once: status text, arcs, both gauges.
void PaintStatus(QPainter& painter, const StatusScene& status, const GaugeScene& level,
                 const GaugeScene& quality);

}  // namespace orbix
