#include "app/gui/tray.h"

#include <QAction>

#include "platform/text.h"
#include "ui/qt_text.h"

namespace orbix {
namespace {

void Call(const std::function<void()>& action) {
    if (action) action();
}

}  // namespace

CTray::CTray(TrayIcons icons, TrayActions actions, bool useSystemTray, QObject* parent)
    : QObject(parent),
      m_icons(std::move(icons)),
      m_actions(std::move(actions)),
      m_menu(std::make_unique<QMenu>()) {
    m_menu->addAction(TrUtf8("显示主界面"), this, [this] { Call(m_actions.show); });
    m_menu->addAction(TrUtf8("隐藏主界面"), this, [this] { Call(m_actions.hide); });
    m_menu->addSeparator();
    m_menu->addAction(TrUtf8("关于"), this, [this] { Call(m_actions.about); });
    m_menu->addAction(TrUtf8("退出"), this, [this] { Call(m_actions.exit); });
    if (useSystemTray) {
        m_icon = new QSystemTrayIcon(this);
        m_icon->setContextMenu(m_menu.get());  // the right button opens it
        connect(m_icon, &QSystemTrayIcon::activated, this, &CTray::Activate);
    }
    Apply(TrayState::Undetermined);
}

CTray::~CTray() {
    // The system icon goes before the menu it points to.
    delete m_icon;
    m_icon = nullptr;
}

void CTray::Add() {
    Apply(TrayState::Undetermined);
    m_shown = true;
    if (m_icon) m_icon->show();
}

void CTray::Update(bool locked) { Apply(TrayStateFor(locked)); }

void CTray::Remove() {
    m_shown = false;
    if (m_icon) m_icon->hide();
}

void CTray::AddMenuCommand(const QString& text, std::function<void()> run) {
    const QList<QAction*> actions = m_menu->actions();
    QAction* before = actions.size() > 3 ? actions[3] : nullptr;  // "关于"
    auto* action = new QAction(text, m_menu.get());
    connect(action, &QAction::triggered, this, std::move(run));
    m_menu->insertAction(before, action);
}

void CTray::SetWarningTip(const QString& tip) {
    m_warningTip = tip;
    Apply(m_state);
}

void CTray::Activate(QSystemTrayIcon::ActivationReason reason) {
    if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick)
        Call(m_actions.restore);
}

void CTray::Apply(TrayState state) {
    m_state = state;
    m_tip = state == TrayState::Locked && !m_warningTip.isEmpty() ? m_warningTip
                                                                  : TrGbk(TrayTipGbk(state));
    m_current = IconFor(state);
    if (!m_icon) return;
    if (m_icon->toolTip() != m_tip) m_icon->setToolTip(m_tip);
    if (m_icon->icon().cacheKey() != m_current.cacheKey()) m_icon->setIcon(m_current);
}

const QIcon& CTray::IconFor(TrayState state) const {
    switch (state) {
        case TrayState::Locked:
            return m_icons.locked;
        case TrayState::NotLocked:
            return m_icons.notLocked;
        case TrayState::Undetermined:
            break;
    }
    return m_icons.program;
}

}  // namespace orbix
