#include "search/program_search.h"

#include "platform/text.h"

namespace orbix {

CProgramSearch::CProgramSearch(ProgramSearchState& state, SearchServices services)
    : m_state(state), m_services(services) {}

CProgramSearch::~CProgramSearch() { Stop(); }

bool CProgramSearch::Claim() {
    int idle = 1;
    return m_state.searchIdle.compare_exchange_strong(idle, 0);
}

bool CProgramSearch::Start() {
    // The flag is taken here, before the thread exists, so that a second
    // start in the moment before the worker runs is refused too.
    if (!Claim()) return false;
    Join();
    m_stop.Reset();
    m_thread = std::thread(ProgramSearchThread, this);
    return true;
}

bool CProgramSearch::RunNow() {
    if (!Claim()) return false;
    m_stop.Reset();
    RunProgramSearch();
    return m_succeeded.load();
}

void CProgramSearch::Stop() {
    m_stop.Request();
    Join();
}

void CProgramSearch::Join() {
    if (m_thread.joinable()) m_thread.join();
}

int CProgramSearch::ProgramSearchThread(CProgramSearch* search) {
    if (search != nullptr) search->RunProgramSearch();
    return 0;
}

void CProgramSearch::RunProgramSearch() {
    m_state.searchIdle.store(0);
    m_succeeded.store(false);
    CUdpReceiver& receiver = m_state.receiver;
    if (!receiver.Create()) return Finish(true);
    if (!receiver.Bind(m_state.port)) {
        // Without its time-out the socket could block the search for ever.
        if (receiver.IsOpen()) receiver.Close();
        return Finish(true);
    }
    CSearchPass pass(receiver, m_services.filter,
                     {m_state.patTable, m_state.pmtTable, m_state.searchTable}, m_services.clock,
                     m_stop);
    const int count = pass.ReceivePat();
    if (count <= 0 || m_stop.Requested()) {
        receiver.Close();
        return Finish(true);
    }
    const bool collected = pass.CollectPmts(count);
    if (!receiver.Close()) return Finish(false);
    if (!collected || !StorePrograms(pass.Programs())) return Finish(true);
    m_services.status.SetStatusText(Gbk("搜索节目完毕"));
    m_services.tree.ExpandFirstItem();
    m_services.tree.Redraw();
    m_succeeded.store(true);
    m_state.searchIdle.store(1);
}

void CProgramSearch::Finish(bool redraw) {
    if (redraw) m_services.tree.Redraw();
    m_services.status.SetStatusText(Gbk("请重新搜索"));
    m_state.searchIdle.store(1);
}

// Stores every program, then the count, and shows them in the program tree
// once all are stored. A failed write removes what was stored, so no partial
// list stays behind.
bool CProgramSearch::StorePrograms(const std::vector<ProgramEntry>& programs) {
    CChannelDatabase& db = m_services.database;
    bool stored = true;
    for (const ProgramEntry& p : programs) stored = stored && db.WriteProgram(p.key, p);
    stored = stored && db.WriteProgramCount(static_cast<int>(programs.size()));
    if (!stored) {
        db.DeleteAllPrograms();
        return false;
    }
    const std::string tv = Gbk("电视节目");
    for (const ProgramEntry& p : programs) m_services.tree.AddProgramItem(p.name, p.type == tv);
    return true;
}

}  // namespace orbix
