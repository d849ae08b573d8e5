#include "ui/skin_window.h"

#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

#include "ui/qt_text.h"

namespace orbix {

CSkinWindow::CSkinWindow(SkinWindowKind kind, int faceId, int pressedFaceId, QWidget* parent,
                         Qt::WindowFlags flags)
    : QWidget(parent, flags | Qt::FramelessWindowHint),
      m_buttons(kind),
      m_face(faceId),
      m_pressedFace(pressedFaceId),
      m_dockHandle(this) {
    setFixedSize(m_face.Width(), m_face.Height());
    setMask(m_face.BuildRegion());
    // The face covers every pixel; no need to clear before painting.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(false);
}

CSkinWindow::~CSkinWindow() {
    // A window that goes away must not stay in the group.
    if (!m_docks) return;
    while (m_docks->DockedCount(&m_dockHandle) > 0) m_docks->RemoveDocked(&m_dockHandle);
}

void CSkinWindow::HideUndocked() {
    if (m_docks) m_docks->RemoveDocked(&m_dockHandle);
    hide();
}

void CSkinWindow::PaintOver(QPainter&, const QRect&) {}

QRect CSkinWindow::ButtonRect(int index) const {
    const ButtonEntry& b = g_buttonTable[index];
    return QRect(b.left, b.top, b.width, b.height);
}

void CSkinWindow::paintEvent(QPaintEvent* event) {
    const QRect u = event->rect();
    QPainter painter(this);
    m_face.DrawSkin(painter, u.x(), u.y(), u.width(), u.height(), u.x(), u.y());
    if (m_pressed >= 0) {
        const QRect r = ButtonRect(m_pressed).intersected(u);
        if (!r.isEmpty())
            m_pressedFace.DrawSkin(painter, r.x(), r.y(), r.width(), r.height(), r.x(), r.y());
    }
    PaintOver(painter, u);
    m_buttons.SetAllReady();
}

void CSkinWindow::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    const QPoint p = event->position().toPoint();
    if (m_docks) {
        UpdateWorkArea(*m_docks, *this);
        m_docks->BeginDrag(&m_dockHandle, DockPoint{p.x(), p.y()});
    }
    m_pressed = m_buttons.PressedAt(p.x(), p.y());
    if (m_pressed >= 0) update(ButtonRect(m_pressed));
}

void CSkinWindow::mouseMoveEvent(QMouseEvent* event) {
    setFocus(Qt::MouseFocusReason);
    const QPoint p = event->position().toPoint();
    if (m_docks) m_docks->DragTo(DockPoint{p.x(), p.y()});
}

void CSkinWindow::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    if (m_docks) m_docks->EndDrag();
    const int pressed = m_pressed;
    m_pressed = -1;
    if (pressed < 0) return;  // a press outside every button does nothing
    update(ButtonRect(pressed));
    const QPoint p = event->position().toPoint();
    if (m_buttons.ReleaseActs(pressed, p.x(), p.y())) OnButton(pressed);
}

void CSkinWindow::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Escape:
            event->accept();  // neither key closes a skinned window
            return;
        default:
            QWidget::keyPressEvent(event);
    }
}

bool CSkinWindow::event(QEvent* event) {
    if (event->type() != QEvent::ToolTip) return QWidget::event(event);
    const auto* help = static_cast<QHelpEvent*>(event);
    const int index = ButtonAt(Kind(), help->pos().x(), help->pos().y());
    if (index < 0) {
        QToolTip::hideText();
        event->ignore();
        return true;
    }
    const std::string_view text = g_buttonTable[index].text;
    QToolTip::showText(help->globalPos(), TrUtf8(text), this, ButtonRect(index));
    return true;
}

}  // namespace orbix
