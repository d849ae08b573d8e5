#pragma once

#include <QRect>

#include "view/dock_manager.h"

class QWidget;

namespace orbix {

// The dock manager's view of one Qt top-level window.
class CQtDockWindow final : public IDockWindow {
  public:
    explicit CQtDockWindow(QWidget* widget) : m_widget(widget) {}
    DockRect Geometry() const override;
    void Move(const DockRect& rect) override;
    QWidget* Widget() const { return m_widget; }

  private:
    QWidget* m_widget;
};

DockRect ToDockRect(const QRect& r);
QRect ToQRect(const DockRect& r);

// Hands the work area of the screen the widget is on to the manager.
void UpdateWorkArea(CDockManager& manager, const QWidget& widget);

}  // namespace orbix
