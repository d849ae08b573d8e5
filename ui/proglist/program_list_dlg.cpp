#include "ui/proglist/program_list_dlg.h"

#include <QAction>
#include <QMenu>
#include <QMouseEvent>
#include <QTreeWidget>
#include <utility>

#include "platform/text.h"
#include "ui/proglist/program_list_texts.h"
#include "ui/proglist/service_name_menu.h"
#include "ui/qt_text.h"
#include "ui/resources.h"

namespace orbix {

using namespace proglist;

namespace {

constexpr QRect kTreeArea{9, 22, 332, 137};
constexpr int kKeyRole = Qt::UserRole;
constexpr int kGroupRole = Qt::UserRole + 1;  // on the three group items only
constexpr ProgramGroup kGroups[] = {ProgramGroup::Tv, ProgramGroup::Radio, ProgramGroup::Ip};

enum Button : int { kClose = 8, kInfo = 9, kDelete = 10, kModify = 11 };

std::string TextOf(const QTreeWidgetItem* item) { return ToGbk(item->text(0)); }

// The group a group item stands for; nullopt for a program item.
std::optional<ProgramGroup> GroupOf(const QTreeWidgetItem* item) {
    const QVariant group = item->data(0, kGroupRole);
    if (item->parent() != nullptr || !group.isValid()) return std::nullopt;
    return static_cast<ProgramGroup>(group.toInt());
}

ProgramSelection SelectionOf(const QTreeWidgetItem* item) {
    return {TextOf(item), GroupOf(item),
            item->parent() ? GroupOf(item->parent()) : std::optional<ProgramGroup>()};
}

bool IsGroup(const QTreeWidgetItem* item, ProgramGroup group) { return GroupOf(item) == group; }

bool IsProgramGroup(const QTreeWidgetItem* item) {
    return IsGroup(item, ProgramGroup::Tv) || IsGroup(item, ProgramGroup::Radio);
}

bool IsScrambled(const QTreeWidgetItem* item) { return IsScrambledName(TextOf(item)); }

}  // namespace

const CProgramListDlg::MenuCommand CProgramListDlg::kMenuCommands[] = {
    {kCmdPlay, "播放", &CProgramListDlg::PlayFromMenu},
    {kCmdSave, "保存", &CProgramListDlg::SaveFromMenu},
    {kCmdInfo, "节目信息", &CProgramListDlg::InfoFromMenu, true},
    {kCmdDelete, "删除节目", &CProgramListDlg::DeleteProgram},
};

CProgramListDlg::CProgramListDlg(ProgramListServices services, QWidget* parent)
    : CSkinWindow(SkinWindowKind::ProgramList, kFaceProgramList, kFaceProgramListPressed, parent),
      m_services(std::move(services)),
      m_db(m_services.databasePath),
      m_tree(new QTreeWidget(this)),
      m_menu(new QMenu(this)) {
    m_tree->setObjectName(QStringLiteral("tree%1").arg(kTreeId));
    m_tree->setGeometry(kTreeArea);
    m_tree->setHeaderHidden(true);
    m_tree->setColumnCount(1);
    m_tree->setSelectionMode(QAbstractItemView::SingleSelection);
    // The right click is handled below; no second menu from the platform.
    m_tree->setContextMenuPolicy(Qt::NoContextMenu);
    m_tree->viewport()->installEventFilter(this);
    connect(m_tree, &QTreeWidget::itemDoubleClicked, this, &CProgramListDlg::OnDoubleClick);
    BuildContextMenu();
    RebuildProgramTree();
}

CProgramListDlg::~CProgramListDlg() = default;

void CProgramListDlg::BuildContextMenu() {
    for (const MenuCommand& command : kMenuCommands) {
        if (command.separatorBefore) m_menu->addSeparator();
        QAction* action = m_menu->addAction(TrUtf8(command.text));
        action->setData(static_cast<int>(command.id));
        connect(action, &QAction::triggered, this, command.run);
    }
    AddServiceNameActions(*m_menu, m_services.databasePath);
}

void CProgramListDlg::AddMenuCommand(const QString& text, std::function<void()> run) {
    m_menu->addSeparator();
    connect(m_menu->addAction(text), &QAction::triggered, this, std::move(run));
}

// --- the tree

void CProgramListDlg::RebuildProgramTree() {
    QStringList expanded;
    for (int i = 0; i < m_tree->topLevelItemCount(); ++i) {
        if (m_tree->topLevelItem(i)->isExpanded()) expanded << m_tree->topLevelItem(i)->text(0);
    }
    ClearTree();
    for (const ProgramGroup group : kGroups) {
        auto* item = new QTreeWidgetItem(QStringList(TrGbk(GroupText(group))));
        item->setData(0, kGroupRole, static_cast<int>(group));
        m_tree->addTopLevelItem(item);
    }
    LoadProgramTree();
    for (int i = 0; i < m_tree->topLevelItemCount(); ++i) {
        QTreeWidgetItem* group = m_tree->topLevelItem(i);
        group->setExpanded(expanded.contains(group->text(0)));
    }
}

bool CProgramListDlg::ClearTree() {
    m_clicked = nullptr;
    m_tree->clear();
    return m_tree->topLevelItemCount() == 0;
}

void CProgramListDlg::LoadProgramTree() {
    const int count = m_db.CountPrograms();
    for (int i = 0; i <= count; ++i) {
        const std::string key = CChannelDatabase::MakeProgramKey(i);
        ProgramEntry entry;
        if (!m_db.ReadProgram(key, entry)) continue;
        AddItem(entry.name, ProgramGroupOfType(entry.type) == ProgramGroup::Tv, key);
    }
}

void CProgramListDlg::AddProgramItem(const std::string& nameGbk, bool tv) {
    AddItem(nameGbk, tv, {});
}

// The group is found among the top-level items, not by what is scrolled into
// view, so a program never goes missing because the tree was scrolled; a
// half-built tree without the group takes nothing.
QTreeWidgetItem* CProgramListDlg::GroupItem(ProgramGroup group) const {
    for (int i = 0; i < m_tree->topLevelItemCount(); ++i)
        if (IsGroup(m_tree->topLevelItem(i), group)) return m_tree->topLevelItem(i);
    return nullptr;
}

void CProgramListDlg::AddItem(const std::string& nameGbk, bool tv, const std::string& keyGbk) {
    QTreeWidgetItem* group = GroupItem(tv ? ProgramGroup::Tv : ProgramGroup::Radio);
    if (group == nullptr) return;
    auto* item = new QTreeWidgetItem(group, QStringList(FromGbk(nameGbk)));
    if (!keyGbk.empty()) item->setData(0, kKeyRole, QByteArray::fromStdString(keyGbk));
}

void CProgramListDlg::ExpandFirstItem() {
    if (QTreeWidgetItem* first = m_tree->topLevelItem(0)) first->setExpanded(true);
}

void CProgramListDlg::Redraw() {
    RebuildProgramTree();
    update();
}

QTreeWidgetItem* CProgramListDlg::SelectedItem() const {
    const QList<QTreeWidgetItem*> selected = m_tree->selectedItems();
    return selected.isEmpty() ? nullptr : selected.front();
}

std::optional<ProgramGroup> CProgramListDlg::ClickedGroup() const {
    return m_clicked != nullptr ? GroupOf(m_clicked) : std::nullopt;
}

std::optional<ProgramSelection> CProgramListDlg::SelectedProgram() const {
    const QTreeWidgetItem* item = SelectedItem();
    if (item == nullptr) return std::nullopt;
    return SelectionOf(item);
}

// The key the item was loaded from while it still holds this program;
// otherwise the first key whose stored name is the item's text (items added
// by a running search carry no key).
std::string CProgramListDlg::KeyOf(const QTreeWidgetItem* item) const {
    const std::string name = TextOf(item);
    const std::string loaded = item->data(0, kKeyRole).toByteArray().toStdString();
    ProgramEntry entry;
    if (!loaded.empty() && m_db.ReadProgram(loaded, entry) && entry.name == name) return loaded;
    const int count = m_db.CountPrograms();
    for (int i = 0; i <= count; ++i) {
        const std::string key = CChannelDatabase::MakeProgramKey(i);
        if (m_db.ReadProgram(key, entry) && entry.name == name) return key;
    }
    return {};
}

// --- mouse

bool CProgramListDlg::eventFilter(QObject* watched, QEvent* event) {
    if (watched != m_tree->viewport()) return CSkinWindow::eventFilter(watched, event);
    if (event->type() == QEvent::MouseButtonPress) {
        // Left and right clicks both record the item under the cursor; the
        // tree then selects it as usual.
        const auto* mouse = static_cast<QMouseEvent*>(event);
        m_clicked = m_tree->itemAt(mouse->position().toPoint());
    } else if (event->type() == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::RightButton) m_menu->popup(mouse->globalPosition().toPoint());
    }
    return false;
}

void CProgramListDlg::OnButton(int index) {
    switch (index) {
        case kClose:
            HideUndocked();
            if (m_services.closed) m_services.closed();
            break;
        case kInfo:
            ShowInfo(SelectedItem());
            break;
        case kDelete:
            DeleteProgram();
            break;
        default:  // kModify has no action
            break;
    }
}

// --- commands

void CProgramListDlg::OnDoubleClick() {
    const QTreeWidgetItem* item = SelectedItem();
    if (item == nullptr || item->childCount() > 0 || IsProgramGroup(item)) return;
    if (IsScrambled(item)) {
        Tell(kCannotPlayScrambled);
    } else if (IsGroup(item, ProgramGroup::Ip)) {
        if (m_services.openPidSettings) m_services.openPidSettings();
    } else if (!Locked()) {
        Tell(kCheckLock);
    } else if (m_services.play) {
        m_services.play(SelectionOf(item));
    }
}

// The checks play and save from the menu share: the signal must be locked
// and the item must be a program, and a scrambled one is refused.
bool CProgramListDlg::CheckMenuTarget(const QTreeWidgetItem* item, std::string_view scrambledText) {
    if (!Locked()) {
        Tell(kCheckLock);
        return false;
    }
    if (item == nullptr || item->childCount() > 0 || IsProgramGroup(item)) return false;
    if (IsScrambled(item)) {
        Tell(scrambledText);
        return false;
    }
    return true;
}

void CProgramListDlg::PlayFromMenu() {
    if (CheckMenuTarget(m_clicked, kCannotPlayScrambled) && m_services.play)
        m_services.play(SelectionOf(m_clicked));
}

void CProgramListDlg::SaveFromMenu() {
    if (CheckMenuTarget(m_clicked, kCannotSaveScrambled) && m_services.record)
        m_services.record(SelectionOf(m_clicked));
}

void CProgramListDlg::InfoFromMenu() { ShowInfo(m_clicked); }

void CProgramListDlg::ShowInfo(const QTreeWidgetItem* item) {
    if (item == nullptr) return;
    if (IsGroup(item, ProgramGroup::Ip)) {
        if (m_services.openPidSettings) m_services.openPidSettings();
        return;
    }
    if (IsProgramGroup(item)) {
        Tell(kChooseProgram);
        return;
    }
    ProgramEntry entry;
    entry.name = TextOf(item);
    m_db.FindProgramByName(entry.name, entry);
    if (m_services.showProgramInfo) m_services.showProgramInfo(entry);
}

// Works on the selected item. The record goes first: an item whose record
// could not be deleted stays, so the tree never hides a stored program.
void CProgramListDlg::DeleteProgram() {
    QTreeWidgetItem* item = SelectedItem();
    m_clicked = item;
    if (item == nullptr) return;
    if (item->parent() == nullptr) {
        Tell(kChooseProgramToDelete);
        return;
    }
    const std::string key = KeyOf(item);
    if (!key.empty() && !m_db.DeleteProgram(key)) {
        m_services.notices.Tell(m_db.WriteFailedMessage());
        return;
    }
    m_clicked = nullptr;
    delete item;
}

void CProgramListDlg::Tell(std::string_view textUtf8) { m_services.notices.Tell(Gbk(textUtf8)); }

bool CProgramListDlg::Locked() const { return m_services.locked && m_services.locked(); }

}  // namespace orbix
