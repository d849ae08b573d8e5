#include "search/program_search.h"

#include <algorithm>
#include <array>
#include <map>
#include <span>

#include "db/program_vocabulary.h"
#include "search/search_texts.h"
#include "search/si_tables.h"

namespace orbix {
namespace {

// The filter slots a search needs at once: the SDT step takes two.
constexpr int kSearchSlots = 2;

SearchProgress Progress(SearchStage stage, int programs = 0, int pmtsReceived = 0, int stored = 0,
                        std::string reasonGbk = {}) {
    return {stage, programs, pmtsReceived, stored, std::move(reasonGbk)};
}

}  // namespace

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
    // The PAT and one PMT, or the SDT and the PAT, at a time at the least.
    const int room = m_services.filter.ProgramRoom();
    if (room < kSearchSlots) return Fail(true, texts::ReasonNoPidRoom(CPidFilter::kSlots - room));
    CUdpReceiver& receiver = m_state.receiver;
    if (!receiver.Create()) return Fail(true, texts::ReasonNoSocket());
    if (!receiver.Bind(m_state.port)) {
        // Without its time-out the socket could block the search for ever.
        if (receiver.IsOpen()) receiver.Close();
        return Fail(true, texts::ReasonNoPort());
    }
    Report(Progress(SearchStage::Started));
    CSearchPass pass(receiver, m_services.filter,
                     {m_state.patTable, m_state.pmtTable, m_state.searchTable}, m_services.clock,
                     m_stop);
    pass.SetLockState(m_locked);
    pass.SetBatchSize(room);
    pass.SetPmtProgress([this](int received, int programs) {
        Report(Progress(SearchStage::PmtProgress, programs, received));
    });
    const int count = pass.ReceivePat();
    if (count <= 0 || m_stop.Requested()) {
        receiver.Close();
        if (m_stop.Requested()) return Fail(true, texts::ReasonStopped());
        return Fail(true, count == 0 ? texts::ReasonEmptyPat() : texts::ReasonNoPat());
    }
    const auto listed = static_cast<int>(std::ranges::count_if(
        std::span(m_state.patTable.entries.data(), static_cast<std::size_t>(count)),
        [](const PatEntry& e) { return e.programNumber != 0; }));
    Report(Progress(SearchStage::PatReceived, listed));
    const bool collected = pass.CollectPmts(count);
    const ServiceNameOptions names =
        m_nameOptions.value_or(ReadServiceNameOptions(m_services.database.Path()));
    const SdtResult sdt = collected && names.enabled ? ReceiveSdt(names.noSelector) : SdtResult{};
    // The list was emptied for the search; it shows the stored programs
    // again however the search ends.
    if (!receiver.Close()) return Fail(true, texts::ReasonCloseFailed());
    if (!collected) {
        return Fail(true, m_stop.Requested() ? texts::ReasonStopped() : texts::ReasonSignalLost());
    }
    std::vector<ProgramEntry> programs = pass.Programs();
    std::map<std::string, std::string> providers;
    if (names.enabled) ApplyServiceNames(programs, m_state.patTable, sdt.services, providers);
    if (!StorePrograms(programs)) {
        return Fail(true, texts::ReasonNotStored(m_services.database.WriteFailedMessage()));
    }
    // The programs are stored by now, but a search whose provider names were
    // lost is no success: it is told as the failed write it is, saying what
    // was kept.
    int providersError = 0;
    if (names.enabled &&
        !StoreProviders(m_services.database.Path(), programs, providers, &providersError)) {
        return Fail(true, texts::ReasonProvidersNotStored(CChannelDatabase::WriteFailedMessageFor(
                              m_services.database.Path(), providersError)));
    }
    Succeed(static_cast<int>(programs.size()),
            names.enabled && !sdt.received ? texts::NoServiceTable() : std::string());
}

// The SDT of the transponder, waited for at most kSdtWaitMs.
SdtResult CProgramSearch::ReceiveSdt(NoSelectorCharset noSelector) {
    // The PAT passes too: the card sends seven packets to a datagram, and a
    // table sent every two seconds alone would take many seconds to fill one.
    const std::array<PatEntry, 2> pids{{{1, kSdtPid}, {2, 0}}};
    m_services.filter.SetPmtPids(pids);
    CUdpReceiver& receiver = m_state.receiver;
    receiver.Discard();
    const TableWait wait{receiver, m_services.clock, m_stop, kSdtWaitMs,
                         [&receiver](int ms) { receiver.LimitWait(ms); }};
    return ReceiveServiceNames(wait, noSelector);
}

void CProgramSearch::Succeed(int stored, const std::string& noteGbk) {
    m_services.status.SetStatusText(noteGbk.empty() ? texts::SearchDone()
                                                    : texts::SearchDoneNote(noteGbk));
    m_services.tree.ExpandFirstItem();
    m_services.tree.Redraw();
    m_succeeded.store(true);
    Report(Progress(SearchStage::Stored, stored, 0, stored));
    m_state.searchIdle.store(1);
}

void CProgramSearch::Fail(bool redraw, const std::string& reasonGbk) {
    if (redraw) m_services.tree.Redraw();
    m_services.status.SetStatusText(texts::SearchAgain(reasonGbk));
    Report(Progress(SearchStage::Failed, 0, 0, 0, reasonGbk));
    m_state.searchIdle.store(1);
}

void CProgramSearch::Report(const SearchProgress& progress) const {
    if (m_progress) m_progress(progress);
}

// Replaces the stored programs by the new ones in one change of the file,
// and shows them in the program tree once stored. Until then, and whenever
// the search fails or is ended, the previous list stays in the file whole.
bool CProgramSearch::StorePrograms(const std::vector<ProgramEntry>& programs) {
    if (!m_services.database.ReplacePrograms(programs)) return false;
    for (const ProgramEntry& p : programs)
        m_services.tree.AddProgramItem(p.name, ProgramGroupOfType(p.type) == ProgramGroup::Tv);
    return true;
}

}  // namespace orbix
