#pragma once

#include <QWidget>

#include "ui/qt_dock_window.h"
#include "ui/skin_bitmap.h"
#include "view/button_table.h"

namespace orbix {

// A frameless window whose face is a bitmap, cut to the face's outline, with
// bitmap buttons at the rectangles of the shared button table and moved by
// dragging its face through the dock manager it is handed (none: it moves
// alone). Its buttons' ready flags are its own, for the user-interface thread. The main window, the
// program list and the satellite tree derive from it and supply the button actions.
class CSkinWindow : public QWidget {
    Q_OBJECT

  public:
    CSkinWindow(SkinWindowKind kind, int faceId, int pressedFaceId, QWidget* parent = nullptr,
                Qt::WindowFlags flags = Qt::Window);
    ~CSkinWindow() override;

    SkinWindowKind Kind() const { return m_buttons.Kind(); }
    const CSkinBitmap& Face() const { return m_face; }
    const CSkinBitmap& PressedFace() const { return m_pressedFace; }
    int PressedButton() const { return m_pressed; }  // -1 when none is held
    bool IsButtonReady(int index) const { return m_buttons.Ready(index); }
    void SetButtonReady(int index, bool ready) { m_buttons.SetReady(index, ready); }

    // The manager that moves this window with the group; it must outlive the
    // window or be taken back (null) first.
    void SetDockManager(CDockManager* manager) { m_docks = manager; }
    CDockManager* DockManager() const { return m_docks; }

    // This window as the dock manager knows it.
    IDockWindow* DockHandle() { return &m_dockHandle; }
    // Hides the window and takes it out of the docked group, so that showing
    // it again does not list it twice.
    void HideUndocked();

  protected:
    // The owning window's action for one of its buttons, after a release
    // inside the pressed button that the window's rules accept.
    virtual void OnButton(int index) = 0;
    // Drawn after the face, clipped to the update rectangle.
    virtual void PaintOver(QPainter& painter, const QRect& updateRect);

    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool event(QEvent* event) override;

  private:
    QRect ButtonRect(int index) const;

    CButtonStates m_buttons;
    CDockManager* m_docks = nullptr;
    CSkinBitmap m_face;
    CSkinBitmap m_pressedFace;
    CQtDockWindow m_dockHandle;
    int m_pressed = -1;
};

}  // namespace orbix
