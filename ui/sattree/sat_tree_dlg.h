#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "card/pid_filter.h"
#include "db/channel_database.h"
#include "demod/tune_state.h"
#include "platform/clock.h"
#include "platform/notices.h"
#include "platform/stream_port.h"
#include "search/program_search.h"
#include "search/udp_receiver.h"
#include "ui/sattree/channel_file_dialog.h"
#include "ui/sattree/sat_param_dialog.h"
#include "ui/skin_window.h"

class QTreeWidget;
class QTreeWidgetItem;

namespace orbix {

// What the satellite tree window needs from the rest of the program. The
// references must outlive the window.
struct SatTreeServices {
    INotices& notices;
    CPidFilter& pidFilter;  // the search programs the filter
    IClock& clock;
    // Thread-safe: the search worker calls them.
    IProgramTree& programTree;
    IStatusText& statusText;       // the main window's play/save label
    std::function<bool()> locked;  // the main window's m_locked
    // The tune worker's lock, read by the search worker on its thread (so
    // thread-safe); it tells a lost signal from PMTs that never come. Empty:
    // a step that receives nothing counts as a lost signal.
    std::function<bool()> tunerLocked;
    std::function<void()> stopPlayer;  // ends a running player or recorder
    // Hands the names and the record to the tune-and-lock worker together,
    // then raises the tune request.
    std::function<void(const TuneTarget&)> requestTune;
    std::function<TuneTarget()> currentTarget;
    // The current target refilled without a tune request (after an edit).
    std::function<void(const TuneTarget&)> setCurrent;
    // Empties the program list before a search (groups included); the
    // search's ending redraws it from the file. rebuildProgramTree puts it
    // back at once when the search does not start. User-interface thread.
    std::function<bool()> clearProgramTree;
    std::function<void()> rebuildProgramTree;
    // The close button hid the window; the main window clears m_treeShown.
    std::function<void()> closed;
    // Runs the parameter dialog; empty: the real modal CSatParamDlg.
    SatParamDialogFn paramDialog;
    std::string databasePath = CChannelDatabase::kDefaultPath;
    int streamPort = StreamPort();
    int receiveTimeoutMs = kReceiveTimeoutMs;
    // The file dialogs of the channel file import and export; null: the
    // real modal ones. Must outlive the window.
    IChannelFileDialog* channelFileDialog = nullptr;
};

// The satellite tree window (resource 143): the channel database's satellites
// and their transponders as a two-level tree, and six face buttons: close,
// add, delete, edit, lock and search. It owns the program search state and
// runs the search on it.
class CSatTreeDlg final : public CSkinWindow {
    Q_OBJECT

  public:
    // Fills the tree from the database, writing the default content first
    // when the file lists no satellites. The window starts hidden.
    explicit CSatTreeDlg(SatTreeServices services, QWidget* parent = nullptr);
    // Stops and joins a running search.
    ~CSatTreeDlg() override;

    // Ends a running search and waits for it (the main window's shutdown).
    void StopSearch();
    bool Searching() const { return m_searchState.searchIdle.load() == 0; }

    // Makes sure the pair is in the tree, appending what is missing.
    void AddToTree(const std::string& satelliteGbk, const std::string& transponderGbk);

    // The button commands, as the buttons run them.
    bool AddTransponder();
    bool DeleteSelected();
    void EditSelected();
    bool LockSelectedTransponder();
    void StartProgramSearch();
    // "搜索网络" (the tree's context menu): the transponders the locked
    // transponder's NIT announces, added to its satellite on a worker; the
    // outcome is told when it ends. False when it did not start.
    bool StartNetworkScan();
    // Ends a running network scan and waits for it.
    void StopNetworkScan();
    // The tree's menu commands: import a DVBv5 channel file (asks the file and
    // the LNB) and export the selected satellite; true when something was
    // added or written.
    bool ImportChannelFile();
    bool ExportSelectedSatellite();

    QTreeWidget* Tree() const { return m_tree; }
    ProgramSearchState& SearchState() { return m_searchState; }

  protected:
    void OnButton(int index) override;

  private:
    void FillTree();
    void ShowChannelFileMenu(const QPoint& at);
    IChannelFileDialog& ChannelFileDialog();
    void OnTreeClicked(QTreeWidgetItem* item);
    void OnTreeDoubleClicked(QTreeWidgetItem* item);
    void OnLockButton();
    void OnSearchButton();
    void OnSearchProgress(const SearchProgress& progress);
    // Edits a stored transponder through the dialog (both edit commands).
    void EditTransponder(const std::string& satellite, const std::string& transponder);
    bool DeleteTransponderItem(QTreeWidgetItem* item);
    bool DeleteSatelliteItem(QTreeWidgetItem* item);
    bool DeleteRefused(DeleteOutcome outcome);
    // Refills the current target when it names this transponder.
    void RefreshCurrent(const std::string& satellite, const std::string& transponder);
    std::optional<TransponderParams> RunDialog(const TransponderParams& initial, bool addMode,
                                               const SatParamAccept& accept);
    // The add dialog's OK: checks and stores; false keeps the dialog open.
    bool StoreNewTransponder(const TransponderParams& tp);
    void Tell(const std::string& textGbk);
    // The file could not be written: its name and the reason.
    void TellNotWritten(const CChannelDatabase& db);
    void SetStatus(const std::string& textGbk);
    void AddNetworkScanCommand();

    SatTreeServices m_services;
    CChannelDatabase m_db;
    // The search worker's own handle on the file.
    CChannelDatabase m_searchDb;
    ProgramSearchState m_searchState;
    CProgramSearch m_search;
    QTreeWidget* m_tree = nullptr;
    // Set once a click in the tree found an item; delete and edit want it.
    bool m_clicked = false;
    CStopSignal m_networkStop;
    std::thread m_networkThread;
    std::unique_ptr<IChannelFileDialog> m_ownFileDialog;
};

}  // namespace orbix
