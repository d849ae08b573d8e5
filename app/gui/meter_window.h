#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <optional>
#include <string>

#include "app/gui/tick_sound.h"
#include "card/signal_history.h"
#include "platform/notices.h"
#include "view/meter_scene.h"

namespace orbix {

// The graph of the aiming meter: it paints a MeterScene, nothing more.
class CMeterGraph final : public QWidget {
  public:
    explicit CMeterGraph(QWidget* parent = nullptr);
    void SetScene(MeterScene scene);
    const MeterScene& Scene() const { return m_scene; }
    QSize sizeHint() const override { return {480, 200}; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    MeterScene m_scene;
};

// What the meter window needs from its surroundings; tests replace the
// file question.
struct MeterWindowParts {
    CSignalHistory& history;
    INotices& notices;
    // Where to write the CSV (local 8-bit path), nullopt when cancelled.
    std::function<std::optional<std::string>()> askCsvPath;
};

// The dish-aiming meter: level and quality of the last 1, 5 or 10 minutes
// with the lock periods shaded, the current values large, the peak hold and
// its reset, the aiming tick (off until asked for) and the CSV export. It
// reads the history while shown and costs nothing while hidden.
class CMeterWindow final : public QWidget {
  public:
    static constexpr int kRefreshMs = 200;

    explicit CMeterWindow(MeterWindowParts parts, QWidget* parent = nullptr);
    ~CMeterWindow() override;

    // Reads the history and repaints; the timer calls it.
    void Refresh();
    void ResetPeak();
    // Writes the whole history; false after telling the user.
    bool ExportCsv();
    // The tick; false (the box cleared) where there is no sound device.
    bool SetSound(bool on);

    void SetSpanIndex(int index);
    const CMeterGraph& Graph() const { return *m_graph; }
    QString CurrentText() const { return m_current->text(); }
    bool SoundOn() const { return m_sound.Running(); }

  protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    MeterWindowParts m_parts;
    CMeterGraph* m_graph;
    QLabel* m_current;
    QComboBox* m_span;
    QCheckBox* m_soundBox;
    QTimer m_timer;
    CTickSound m_sound;
};

}  // namespace orbix
