#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "db/channel_database.h"
#include "db/program_vocabulary.h"
#include "platform/notices.h"
#include "ui/skin_window.h"

class QMenu;
class QTreeWidget;
class QTreeWidgetItem;

namespace orbix {

// What the program list window asks of the rest of the program. All texts
// are GBK. An empty function does nothing and counts as a failure.
struct ProgramListServices {
    INotices& notices;
    // The main window's signal-locked flag (m_locked != 0).
    std::function<bool()> locked{};
    // The player's play and record paths (the same the main window's buttons
    // take): start the player, send the program's PIDs, set the status text.
    std::function<void(const ProgramSelection& program)> play{};
    std::function<void(const ProgramSelection& program)> record{};
    // Shows the program PID dialog (147) modally with the stored program.
    std::function<void(const ProgramEntry& entry)> showProgramInfo{};
    // Shows the PID settings dialog (152) modally.
    std::function<void()> openPidSettings{};
    // The window was closed by its own button: the main window clears
    // m_listShown.
    std::function<void()> closed{};
    std::string databasePath = CChannelDatabase::kDefaultPath;
};

// The program list window (dialog 138): the stored programs as a tree under
// the groups "电视节目", "广播节目" and "IP节目", with buttons and a context
// menu to play, record, inspect and delete them. GUI thread only; a search
// worker reaches it through CQueuedProgramTree.
class CProgramListDlg final : public CSkinWindow {
    Q_OBJECT

  public:
    // Context menu commands (menu 161).
    enum Command : int { kCmdPlay = 32775, kCmdSave = 32776, kCmdInfo = 32777, kCmdDelete = 32779 };
    static constexpr int kTreeId = 1042;

    explicit CProgramListDlg(ProgramListServices services, QWidget* parent = nullptr);
    ~CProgramListDlg() override;

    // Empties the tree, inserts the three groups and every program stored in
    // section "PID", skipping absent keys. Groups that were expanded stay so.
    void RebuildProgramTree();
    // Deletes every item, groups included. True when the tree is empty.
    bool ClearTree();
    // Appends a program under its group; nothing when the group is missing.
    void AddProgramItem(const std::string& nameGbk, bool tv);
    // Expands the "电视节目" group.
    void ExpandFirstItem();
    // The end of a search: the tree is rebuilt from what the search stored
    // and the whole window repainted.
    void Redraw();

    // The selected item; nullopt when none is.
    std::optional<ProgramSelection> SelectedProgram() const;
    // A further command at the end of the context menu, after a separator.
    void AddMenuCommand(const QString& text, std::function<void()> run);
    QTreeWidget* Tree() const { return m_tree; }
    // The context menu, for commands other parts add, and the item it was
    // opened on (null when gone).
    QMenu* ContextMenu() const { return m_menu; }
    const QTreeWidgetItem* ClickedItem() const { return m_clicked; }
    // The group item the menu was opened on; nullopt on a program or nothing.
    std::optional<ProgramGroup> ClickedGroup() const;

  protected:
    void OnButton(int index) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // One row per context-menu command, in menu order.
    struct MenuCommand {
        Command id;
        const char* text;
        void (CProgramListDlg::*run)();
        bool separatorBefore = false;
    };
    static const MenuCommand kMenuCommands[];

    void BuildContextMenu();
    void LoadProgramTree();
    void AddItem(const std::string& nameGbk, bool tv, const std::string& keyGbk);
    QTreeWidgetItem* SelectedItem() const;
    std::string KeyOf(const QTreeWidgetItem* item) const;

    void OnDoubleClick();
    void PlayFromMenu();
    void SaveFromMenu();
    void InfoFromMenu();
    void DeleteProgram();
    void ShowInfo(const QTreeWidgetItem* item);
    bool CheckMenuTarget(const QTreeWidgetItem* item, std::string_view scrambledText);
    QTreeWidgetItem* GroupItem(ProgramGroup group) const;
    void Tell(std::string_view textUtf8);
    bool Locked() const;

    ProgramListServices m_services;
    CChannelDatabase m_db;
    // The item of the last click or right click in the tree, or of the last
    // delete; null when that item is gone.
    QTreeWidgetItem* m_clicked = nullptr;
    QTreeWidget* m_tree = nullptr;
    QMenu* m_menu = nullptr;
};

}  // namespace orbix
