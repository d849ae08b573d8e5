#include "ui/qt_dock_window.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace orbix {

DockRect ToDockRect(const QRect& r) {
    return DockRect{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}

QRect ToQRect(const DockRect& r) {
    return QRect(r.left, r.top, r.right - r.left, r.bottom - r.top);
}

DockRect CQtDockWindow::Geometry() const { return ToDockRect(m_widget->frameGeometry()); }

void CQtDockWindow::Move(const DockRect& rect) {
    // Frameless windows: frame and client rectangle coincide.
    m_widget->setGeometry(ToQRect(rect));
}

void UpdateWorkArea(CDockManager& manager, const QWidget& widget) {
    const QScreen* screen = widget.screen();
    if (!screen) screen = QGuiApplication::primaryScreen();
    if (screen) manager.SetWorkArea(ToDockRect(screen->availableGeometry()));
}

}  // namespace orbix
