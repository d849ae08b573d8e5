#include "app/receiver_dlg.h"

#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QMenu>
#include <QPainter>

#include "app/gui/status_painter.h"
#include "app/gui/tray_wiring.h"
#include "platform/text.h"
#include "ui/about_box.h"
#include "ui/resources.h"

namespace orbix {
namespace {

enum MainButton { kAbout, kMinimise, kClose, kPlay, kStop, kSave, kSettings, kProgramList };

}  // namespace

CReceiverDlg::CReceiverDlg(ReceiverParts parts)
    : CSkinWindow(SkinWindowKind::Main, kFaceMain, kFaceMainPressed),
      m_parts(std::move(parts)),
      m_tray(MakeReceiverTray(*this, m_parts.useSystemTray)),
      m_panel(*this,
              {[this] { return m_wiring.Locked(); },
               [this] { return m_parts.session.Current().transponder; }},
              m_tray.get()),
      m_wiring(m_parts.session, m_panel) {
    setWindowIcon(QIcon(ResourcePath(kIconProgram)));
    setWindowTitle(QStringLiteral("OrbixRx"));
    m_panel.Reset(m_parts.session.Current().transponder);
    m_panel.labelColourChanged = [this](Rgb) { update(LabelRect()); };
    MakePlayer();
}

CReceiverDlg::~CReceiverDlg() { Shutdown(); }

QRect CReceiverDlg::LabelRect() { return QRect(105, 80, 236, 12); }

void CReceiverDlg::MakePlayer() {
    PlayerContext context{this,
                          m_parts.session,
                          m_parts.notices,
                          [this](const std::string& text) { SetLabelText(text); },
                          [this] { return Locked(); },
                          [this] { return Child(ChildKind::ProgramList); }};
    m_player = m_parts.makePlayer ? m_parts.makePlayer(context) : MakeNullPlayer(context);
}

void CReceiverDlg::SetLabelText(const std::string& textGbk) {
    const QString text = QString::fromStdString(Utf8(textGbk));
    if (text == m_labelText) return;
    m_labelText = text;
    update(LabelRect());
}

void CReceiverDlg::OnButton(int index) {
    switch (index) {
        case kAbout:
            RunAbout();
            break;
        case kMinimise:
            Minimise();
            break;
        case kClose:
            Shutdown();
            break;
        case kPlay:
            m_player->Play();
            break;
        case kStop:
            m_player->Stop();
            break;
        case kSave:
            m_player->Save();
            break;
        case kSettings:
            ToggleChild(ChildKind::SatTree);
            break;
        case kProgramList:
            ToggleChild(ChildKind::ProgramList);
            break;
        default:
            break;
    }
}

void CReceiverDlg::PaintOver(QPainter& painter, const QRect& updateRect) {
    m_panel.Paint(painter);
    const QRect label = LabelRect();
    if (!updateRect.intersects(label)) return;
    // The label shows its text in the lock colour on black.
    painter.fillRect(label, Qt::black);
    painter.setPen(ToQColor(m_panel.LabelColour()));
    painter.setFont(StatusFont());
    painter.drawText(label, Qt::AlignLeft | Qt::AlignVCenter, m_labelText);
}

void CReceiverDlg::ToggleChild(ChildKind kind) {
    CSkinWindow* child = Child(kind);
    if (!child) return;
    if (!child->isVisible()) {
        ShownFlag(kind) = 1;
        g_dockManager.AddDocked(child->DockHandle());
        child->show();
    } else {
        ShownFlag(kind) = 0;
        g_dockManager.RemoveDocked(child->DockHandle());
        child->hide();
    }
}

void CReceiverDlg::ShowChild(ChildKind kind) {
    if (CSkinWindow* child = Child(kind)) child->show();
}

void CReceiverDlg::Restore() {
    showNormal();
    activateWindow();
    for (ChildKind kind : {ChildKind::ProgramList, ChildKind::SatTree}) {
        if (Shown(kind) == 1) ShowChild(kind);
    }
}

void CReceiverDlg::ShowAll() {
    ShowChild(ChildKind::ProgramList);
    ShowChild(ChildKind::SatTree);
    showNormal();
}

void CReceiverDlg::HideAll() {
    for (CSkinWindow* child : m_children) {
        if (child) child->hide();
    }
    hide();
}

void CReceiverDlg::Minimise() {
    // Without a tray icon a hidden window could not be brought back.
    if (m_tray->Available()) {
        HideAll();
        return;
    }
    for (CSkinWindow* child : m_children) {
        if (child) child->hide();
    }
    showMinimized();
}

void CReceiverDlg::RunAbout() {
    CAboutBox box(m_parts.notices, this);
    box.exec();
}

void CReceiverDlg::closeEvent(QCloseEvent* event) {
    Shutdown();
    event->accept();
}

void CReceiverDlg::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    menu.addAction(QStringLiteral("显示主界面"), this, &CReceiverDlg::ShowAll);
    menu.addAction(QStringLiteral("隐藏主界面"), this, &CReceiverDlg::HideAll);
    menu.addSeparator();
    menu.addAction(QStringLiteral("关于"), this, &CReceiverDlg::RunAbout);
    menu.addAction(QStringLiteral("退出"), this, &CReceiverDlg::Shutdown);
    menu.addSeparator();
    menu.addAction(QStringLiteral("关于 OrbixCenter(&A)..."), this, &CReceiverDlg::RunAbout);
    menu.exec(event->globalPos());
}

}  // namespace orbix
