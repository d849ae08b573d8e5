#include "app/gui/receiver_dlg.h"

#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QFontMetrics>
#include <QMenu>
#include <QPainter>
#include <optional>

#include "app/gui/gui_texts.h"
#include "app/gui/status_painter.h"
#include "app/gui/tray_wiring.h"
#include "platform/text.h"
#include "ui/about_box.h"
#include "ui/qt_text.h"
#include "ui/resources.h"

namespace orbix {
namespace {

enum MainButton { kAbout, kMinimise, kClose, kPlay, kStop, kSave, kSettings, kProgramList };

}  // namespace

CReceiverDlg::CReceiverDlg(ReceiverParts parts)
    : CSkinWindow(SkinWindowKind::Main, kFaceMain, kFaceMainPressed),
      m_parts(std::move(parts)),
      m_tray(MakeReceiverTray(*this, m_parts.useSystemTray)),
      m_panel(
          *this,
          {[this] { return Locked(); }, [this] { return m_parts.session.Current().transponder; }},
          m_tray.get()),
      m_wiring(m_parts.session, m_panel),
      m_player(
          this, m_parts.session, m_parts.notices, [this] { return Locked(); },
          [this](const std::string& text) { SetLabelText(text); }, [this] { SyncSavingText(); }) {
    SetDockManager(&m_docks);
    setWindowIcon(QIcon(ResourcePath(kIconProgram)));
    setWindowTitle(QStringLiteral("OrbixRx"));
    m_panel.Reset(m_parts.session.Current().transponder);
    m_tray->AddMenuCommand(TrGbk(texts::MeterMenuItem()), [this] { OpenMeter(); });
    m_panel.labelColourChanged = [this](Rgb) {
        update(LabelRect());
        if (m_savingShown) update(SavingRect());
    };
}

CReceiverDlg::~CReceiverDlg() {
    Shutdown();
    // The skinned base is destroyed after the manager it was handed.
    SetDockManager(nullptr);
}

QRect CReceiverDlg::LabelRect() { return QRect(105, 80, 236, 12); }

QRect CReceiverDlg::SavingRect() {
    const QFontMetrics metrics(StatusFont());
    return QRect(QPoint(248, 26), metrics.size(Qt::TextSingleLine, TrUtf8("正在保存节目")));
}

void CReceiverDlg::SetLabelText(const std::string& textGbk) {
    // Every change of the player's state comes with a label text.
    SyncSavingText();
    const QString text = TrGbk(textGbk);
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
        case kStop:
        case kSave:
            RunPlayerCommand(index);
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

// The play, stop and save buttons act on the program list's selection.
void CReceiverDlg::RunPlayerCommand(int button) {
    CPlayerControl& player = m_player.Control();
    const std::optional<ProgramSelection> selected =
        m_children ? m_children->ProgramList().SelectedProgram() : std::nullopt;
    if (button == kPlay) {
        player.PlayCommand(selected);
    } else if (button == kStop) {
        player.StopCommand();
    } else {
        player.SaveCommand(selected);
    }
    SyncSavingText();
}

void CReceiverDlg::SyncSavingText() {
    if (m_player.Control().Saving() == m_savingShown) return;
    m_savingShown = !m_savingShown;
    update(SavingRect());
}

void CReceiverDlg::PaintSavingText(QPainter& painter) const {
    const QRect area = SavingRect();
    painter.fillRect(area, Qt::black);
    painter.setPen(ToQColor(m_panel.LabelColour()));
    painter.setFont(StatusFont());
    painter.drawText(area, Qt::AlignLeft | Qt::AlignVCenter, TrUtf8("正在保存节目"));
}

void CReceiverDlg::PaintOver(QPainter& painter, const QRect& updateRect) {
    m_panel.Paint(painter);
    if (m_savingShown && updateRect.intersects(SavingRect())) PaintSavingText(painter);
    const QRect label = LabelRect();
    if (!updateRect.intersects(label)) return;
    // The label shows its text in the lock colour on black.
    painter.fillRect(label, Qt::black);
    painter.setPen(ToQColor(m_panel.LabelColour()));
    painter.setFont(StatusFont());
    // While a locked card sends nothing, the line says so instead.
    if (!m_streamWarning.isEmpty()) painter.setPen(ToQColor(kUnlockedRed));
    painter.drawText(label, Qt::AlignLeft | Qt::AlignVCenter,
                     m_streamWarning.isEmpty() ? m_labelText : m_streamWarning);
}

void CReceiverDlg::ToggleChild(ChildKind kind) {
    CSkinWindow* child = Child(kind);
    if (!child) return;
    if (!child->isVisible()) {
        ShownFlag(kind) = 1;
        m_docks.AddDocked(child->DockHandle());
        child->show();
    } else {
        ShownFlag(kind) = 0;
        m_docks.RemoveDocked(child->DockHandle());
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

void CReceiverDlg::HideChildren() {
    for (ChildKind kind : {ChildKind::ProgramList, ChildKind::SatTree}) {
        if (CSkinWindow* child = Child(kind)) child->hide();
    }
}

void CReceiverDlg::HideAll() {
    HideChildren();
    hide();
}

void CReceiverDlg::Minimise() {
    // Without a tray icon a hidden window could not be brought back.
    if (m_tray->Available()) {
        HideAll();
        return;
    }
    HideChildren();
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
    menu.addAction(TrUtf8("显示主界面"), this, &CReceiverDlg::ShowAll);
    menu.addAction(TrUtf8("隐藏主界面"), this, &CReceiverDlg::HideAll);
    menu.addSeparator();
    menu.addAction(TrGbk(texts::MeterMenuItem()), this, &CReceiverDlg::OpenMeter);
    menu.addAction(TrUtf8("关于"), this, &CReceiverDlg::RunAbout);
    menu.addAction(TrUtf8("退出"), this, &CReceiverDlg::Shutdown);
    menu.addSeparator();
    menu.addAction(TrUtf8("关于 OrbixCenter(&A)..."), this, &CReceiverDlg::RunAbout);
    menu.exec(event->globalPos());
}

}  // namespace orbix
