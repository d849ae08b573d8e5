#pragma once

#include <QObject>
#include <QPainter>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <string>

#include "app/gui/tray.h"
#include "view/gauge.h"
#include "view/status_display.h"

namespace orbix {

// The status display of the main window, wired: the 500 ms tick, the card
// monitor's readings and the paint event. It asks its widget to repaint only
// the areas that changed. All of it runs on the user-interface thread.
class CStatusPanel final : public QObject {
  public:
    // What the tick reads: the lock flag and the current transponder's GBK name.
    struct Source {
        std::function<bool()> locked;
        std::function<std::string()> transponderGbk;
    };

    CStatusPanel(QWidget& face, Source source, ITray* tray = nullptr);

    // Builds the not-locked text for bring-up; call before Start.
    void Reset(std::string_view transponderGbk);
    void Start() { m_timer.start(); }
    void Stop() { m_timer.stop(); }

    // One tick; the timer calls it, tests may call it directly.
    void Tick();
    // New readings from the card monitor, delivered on this thread.
    void OnReadings(int level, int quality);
    // From the face's paint event, after the skin has been painted.
    void Paint(QPainter& painter) const;

    const CStatusDisplay& Display() const { return m_display; }
    const CGauge& Level() const { return m_level; }
    const CGauge& Quality() const { return m_quality; }
    // For the play/save label: its text colour.
    Rgb LabelColour() const { return m_display.LockColour(); }
    // Called when the label colour changed, so the window can restyle the label.
    std::function<void(Rgb)> labelColourChanged;

  private:
    QWidget& m_face;
    Source m_source;
    ITray* m_tray;
    QTimer m_timer;
    CStatusDisplay m_display;
    CGauge m_level;
    CGauge m_quality;
};

}  // namespace orbix
