#include "app/gui/status_panel.h"

#include "app/gui/status_painter.h"
#include "ui/qt_text.h"

namespace orbix {

CStatusPanel::CStatusPanel(QWidget& face, Source source, ITray* tray)
    : QObject(&face), m_face(face), m_source(std::move(source)), m_tray(tray) {
    m_display.SetLockWords({ToGbk(TrUtf8(kLockedWord)), ToGbk(TrUtf8(kLockingWord))});
    m_timer.setInterval(kStatusTickMs);
    connect(&m_timer, &QTimer::timeout, this, &CStatusPanel::Tick);
}

void CStatusPanel::Reset(std::string_view transponderGbk) {
    m_display.Build(transponderGbk, false);
}

void CStatusPanel::Tick() {
    const bool locked = m_source.locked();
    const TickChange change = m_display.Tick(locked, m_source.transponderGbk());
    if (m_tray) m_tray->Update(locked);
    m_face.update(StatusTextRect());
    m_face.update(ArcsRect());
    if (change.lockColourChanged && labelColourChanged) labelColourChanged(m_display.LockColour());
}

void CStatusPanel::OnReadings(int level, int quality) {
    const QRect levelRect = GaugeChangeRect(kLevelGauge, m_level.Update(level));
    const QRect qualityRect = GaugeChangeRect(kQualityGauge, m_quality.Update(quality));
    if (!levelRect.isEmpty()) m_face.update(levelRect);
    if (!qualityRect.isEmpty()) m_face.update(qualityRect);
}

void CStatusPanel::Paint(QPainter& painter) const {
    PaintStatus(painter, m_display.Scene(), m_level.Scene(), m_quality.Scene());
}

}  // namespace orbix
