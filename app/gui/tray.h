#pragma once

#include <QIcon>
#include <QMenu>
#include <QObject>
#include <QString>
#include <QSystemTrayIcon>
#include <functional>
#include <memory>

#include "view/tray_state.h"

namespace orbix {

// What the tray's clicks and menu commands ask of the main window.
struct TrayActions {
    std::function<void()> restore;  // left click: main window, then the children shown before
    std::function<void()> show;     // "显示主界面": all three windows
    std::function<void()> hide;     // "隐藏主界面"
    std::function<void()> about;    // "关于"
    std::function<void()> exit;     // "退出"
};

// Icons 128 (program), 133 (locked) and 134 (not locked).
struct TrayIcons {
    QIcon program;
    QIcon locked;
    QIcon notLocked;
};

// The notification-area icon as the main window sees it.
class ITray {
  public:
    virtual ~ITray() = default;
    // False where the desktop has no tray: minimise the window instead of hiding it.
    virtual bool Available() const = 0;
    virtual void Add() = 0;
    // Every status tick; icon and tip follow the lock.
    virtual void Update(bool locked) = 0;
    virtual void Remove() = 0;
};

// The tray icon with its menu. Without a system tray it keeps its state and
// menu but shows nothing, so the window's code runs the same either way.
class CTray final : public QObject, public ITray {
  public:
    CTray(TrayIcons icons, TrayActions actions,
          bool useSystemTray = QSystemTrayIcon::isSystemTrayAvailable(), QObject* parent = nullptr);
    ~CTray() override;

    bool Available() const override { return m_icon != nullptr; }
    void Add() override;
    void Update(bool locked) override;
    void Remove() override;

    // What a click on the icon does; the system icon's clicks arrive here.
    void Activate(QSystemTrayIcon::ActivationReason reason);

    TrayState State() const { return m_state; }
    QString Tip() const { return m_tip; }
    QIcon Icon() const { return m_current; }
    bool Shown() const { return m_shown; }
    QMenu* Menu() const { return m_menu.get(); }
    // A command put before "关于".
    void AddMenuCommand(const QString& text, std::function<void()> run);
    // While not empty and locked, the tip says this instead (the stream's
    // no-data warning); empty gives the lock tip back.
    void SetWarningTip(const QString& tip);

  private:
    void Apply(TrayState state);
    const QIcon& IconFor(TrayState state) const;

    TrayIcons m_icons;
    TrayActions m_actions;
    std::unique_ptr<QMenu> m_menu;
    QSystemTrayIcon* m_icon = nullptr;
    TrayState m_state = TrayState::Undetermined;
    QString m_tip;
    QString m_warningTip;
    QIcon m_current;
    bool m_shown = false;
};

}  // namespace orbix
