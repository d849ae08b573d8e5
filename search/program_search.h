#pragma once

#include <atomic>
#include <functional>
#include <optional>
#include <string>
#include <thread>

#include "card/pid_filter.h"
#include "db/channel_database.h"
#include "platform/clock.h"
#include "platform/notices.h"
#include "platform/stream_port.h"
#include "search/psi.h"
#include "search/search_pass.h"
#include "search/search_progress.h"
#include "search/service_names.h"
#include "search/udp_receiver.h"

namespace orbix {

// The program tree window as the search reaches it.
class IProgramTree {
  public:
    virtual ~IProgramTree() = default;
    virtual void AddProgramItem(const std::string& nameGbk, bool tv) = 0;
    // Expands the first visible item (the television group).
    virtual void ExpandFirstItem() = 0;
    // Redraws the whole window, background included.
    virtual void Redraw() = 0;
};

// The main window's status text.
class IStatusText {
  public:
    virtual ~IStatusText() = default;
    virtual void SetStatusText(const std::string& textGbk) = 0;
};

// The window side of a search run without windows: the program list is left
// to the database, the status text is kept for the caller to show.
class CStatusOnlyView final : public IProgramTree, public IStatusText {
  public:
    void AddProgramItem(const std::string&, bool) override {}
    void ExpandFirstItem() override {}
    void Redraw() override {}
    void SetStatusText(const std::string& text) override { status = text; }

    std::string status;
};

// The search state the satellite tree window owns and hands to every search.
struct ProgramSearchState {
    explicit ProgramSearchState(INotices& notices, int receiveTimeoutMs = kReceiveTimeoutMs,
                                int streamPort = StreamPort())
        : receiver(notices, receiveTimeoutMs), port(streamPort) {}

    CUdpReceiver receiver;
    // The card's stream port; tests may use a private one.
    int port;
    PatTable patTable;
    PmtTable pmtTable;
    SearchTable searchTable{};
    // 1 while no search runs.
    std::atomic<int> searchIdle{1};
};

struct SearchServices {
    CPidFilter& filter;
    CChannelDatabase& database;
    IProgramTree& tree;
    IStatusText& status;
    IClock& clock;
};

// The program search: reads the PAT and the PMTs of the locked transponder
// from the card's stream and stores one program record per program. One
// search at a time per search state: a start while one runs, or between a
// start and the worker's first step, is refused.
class CProgramSearch {
  public:
    CProgramSearch(ProgramSearchState& state, SearchServices services);
    virtual ~CProgramSearch();
    CProgramSearch(const CProgramSearch&) = delete;
    CProgramSearch& operator=(const CProgramSearch&) = delete;

    // Starts the search on its own thread. False, starting nothing, while a
    // search runs on this state.
    bool Start();
    // Runs the search on the calling thread. False when one already runs;
    // otherwise whether it stored programs.
    bool RunNow();
    // Asks a running search to end (as a failed one) and waits for it.
    void Stop();
    // Waits for the thread started last.
    void Join();
    // True when the last search that ended stored its programs.
    bool Succeeded() const { return m_succeeded.load(); }
    // Called on the search's thread as the search goes on (see
    // SearchProgress); a window turns it into a queued call. Set it before
    // Start, not while a search runs.
    void SetProgressCallback(SearchProgressFn progress) { m_progress = std::move(progress); }
    // The tune worker's lock, thread-safe; it decides whether the signal was
    // lost while the PMTs were collected (see CSearchPass::CollectPmts).
    // Set it before Start, not while a search runs.
    void SetLockState(std::function<bool()> locked) { m_locked = std::move(locked); }
    // Names programs as these options say instead of as the database's
    // section "ServiceNames" does. Set it before Start.
    void SetServiceNameOptions(std::optional<ServiceNameOptions> options) {
        m_nameOptions = options;
    }

    static int ProgramSearchThread(CProgramSearch* search);

  private:
    bool Claim();
    void RunProgramSearch();
    bool StorePrograms(const std::vector<ProgramEntry>& programs);
    void Succeed(int stored, const std::string& noteGbk = {});
    SdtResult ReceiveSdt(NoSelectorCharset noSelector);
    // The failure ending, with the reason told after "请重新搜索".
    void Fail(bool redraw, const std::string& reasonGbk);
    void Report(const SearchProgress& progress) const;

    ProgramSearchState& m_state;
    SearchServices m_services;
    CStopSignal m_stop;
    std::thread m_thread;
    std::atomic<bool> m_succeeded{false};
    SearchProgressFn m_progress;
    std::function<bool()> m_locked;
    std::optional<ServiceNameOptions> m_nameOptions;
};

}  // namespace orbix
