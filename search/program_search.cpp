#include "search/program_search.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "platform/text.h"

namespace orbix {
namespace {

constexpr int kBatchSize = CPidFilter::kSlots;
constexpr int kBatchDatagrams = 5;

bool IsVideo(std::uint8_t type) { return type == 1 || type == 2; }
bool IsAudio(std::uint8_t type) { return type == 3 || type == 4; }

std::string Hex(unsigned value) {
    char text[16];
    std::snprintf(text, sizeof text, "%x", value);
    return text;
}

// A datagram the PAT step takes: every slot on PID 0 (zero-filled slots,
// where the datagram was short or nothing came, count as PID 0).
bool OnlyPid0(std::span<const std::uint8_t> datagram) {
    for (int slot = 0; slot < kPacketsPerDatagram; ++slot) {
        if (PacketPid(datagram.data() + slot * kTsPacketSize) != 0) return false;
    }
    return true;
}

}  // namespace

ProgramEntry MakeProgramEntry(int keyNumber, int patIndex, const PatEntry& entry,
                              const SearchRow& row) {
    const auto streams = std::min(row.streamCount, kPmtStreamCapacity);
    int firstAudio = -1;
    int lastAudio = -1;
    int video = -1;
    for (int k = 0; k < streams; ++k) {
        if (IsVideo(row.streamTypes[k])) video = k;
        if (!IsAudio(row.streamTypes[k])) continue;
        if (firstAudio < 0) firstAudio = k;
        else lastAudio = k;
    }
    auto pidText = [&row](int k) { return k < 0 ? std::string("00") : Hex(row.streamPids[k]); };
    ProgramEntry out;
    out.key = CChannelDatabase::MakeProgramKey(keyNumber);
    out.name = Gbk("节目") + std::to_string(patIndex);
    if (row.programScrambled || row.streamScrambled) out.name += Gbk("(加扰)");
    out.type = Gbk(video >= 0 ? "电视节目" : "广播节目");
    out.pmtPid = Hex(entry.pid);
    out.audioPid1 = pidText(firstAudio);
    out.audioPid2 = pidText(lastAudio);
    out.videoPid = pidText(video);
    out.pcrPid = Hex(row.pcrPid);
    return out;
}

CProgramSearch::CProgramSearch(SearchState& state, SearchServices services)
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
    m_programs.store(0);
    CUdpReceiver& receiver = m_state.receiver;
    if (!receiver.Create()) return Finish(false, true);
    if (!receiver.Bind(kStreamPort)) {
        // Without its time-out the socket could block the search for ever.
        if (receiver.IsOpen()) receiver.Close();
        return Finish(false, true);
    }
    const int count = ReceivePat();
    if (count <= 0 || m_stop.Requested()) {
        receiver.Close();
        return Finish(false, true);
    }
    const bool collected = CollectPmts(count);
    if (!receiver.Close()) return Finish(false, false);
    if (!collected || !StorePrograms()) return Finish(false, true);
    m_services.status.SetStatusText(Gbk("搜索节目完毕"));
    m_services.tree.ExpandFirstItem();
    m_services.tree.Redraw();
    m_succeeded.store(true);
    m_state.searchIdle.store(1);
}

void CProgramSearch::Finish(bool succeeded, bool redraw) {
    if (redraw) m_services.tree.Redraw();
    m_succeeded.store(succeeded);
    m_services.status.SetStatusText(Gbk("请重新搜索"));
    m_state.searchIdle.store(1);
}

int CProgramSearch::ReceivePat() {
    m_services.filter.SetPatPid();
    m_state.receiver.Discard();
    std::array<std::uint8_t, kDatagramSize> datagram{};
    const std::int64_t start = m_services.clock.NowMs();
    for (int received = 1;; ++received) {
        datagram.fill(0);
        m_state.receiver.Receive(datagram.data(), kDatagramSize);
        if (OnlyPid0(datagram)) break;
        const bool overdue = received >= kPatDatagramLimit ||
                             m_services.clock.NowMs() - start >= kPatTimeLimitMs;
        if (overdue || m_stop.Requested()) return -1;
    }
    return ParsePat(datagram, kPacketsPerDatagram, m_state.patTable);
}

int CProgramSearch::ReceiveDatagrams(std::span<std::uint8_t> area, int count) {
    std::fill(area.begin(), area.end(), std::uint8_t{0});
    for (int k = 0; k < count; ++k) {
        // A time-out means the card has stopped sending: waiting out the
        // other datagrams of the step would only delay the same result.
        const auto slot = area.subspan(static_cast<std::size_t>(k) * kDatagramSize, kDatagramSize);
        if (m_stop.Requested() || m_state.receiver.Receive(slot.data(), kDatagramSize) < 0) return k;
    }
    return count;
}

bool CProgramSearch::CollectPmts(int count) {
    count = std::clamp(count, 0, m_state.patTable.count);
    const std::span<const PatEntry> entries(m_state.patTable.entries.data(), count);
    for (int i = 0; i < count; ++i) m_state.searchTable[i] = SearchRow{};
    if (count <= kBatchSize) {
        m_services.filter.SetPmtPids(entries);
        return CollectBatch(entries, 0, count / kPacketsPerDatagram + 5);
    }
    const int batches = (count + kBatchSize - 1) / kBatchSize;
    for (int b = 1; b <= batches; ++b) {
        m_services.filter.SetPmtPidsPage(entries, count, b);
        if (!CollectBatch(entries, (b - 1) * kBatchSize, kBatchDatagrams)) return false;
    }
    return true;
}

// Receives datagrams on the filter as just set and fills the rows of the
// entries first .. first + 31 (as far as there are entries) from them. A PMT
// that is not among them leaves its row cleared, but silence means the card
// stopped: then the search has no trustworthy result.
bool CProgramSearch::CollectBatch(std::span<const PatEntry> entries, int first, int datagrams) {
    m_state.receiver.Discard();
    std::vector<std::uint8_t> area(static_cast<std::size_t>(datagrams) * kDatagramSize);
    if (ReceiveDatagrams(area, datagrams) < datagrams) return false;
    const int last = std::min(first + kBatchSize, static_cast<int>(entries.size()));
    for (int i = first; i < last; ++i) {
        if (entries[i].programNumber != 0) FillRow(i, entries[i], area);
    }
    return true;
}

void CProgramSearch::FillRow(int index, const PatEntry& entry, std::span<const std::uint8_t> packets) {
    std::array<std::uint8_t, kAssemblyAreaSize> section;
    const int count = static_cast<int>(packets.size() / kTsPacketSize);
    if (AssembleSection(entry.pid, entry.programNumber, packets, count, section) == 0) return;
    PmtTable& pmt = m_state.pmtTable;
    if (ParsePmt(section, 1, pmt, entry.pid) < 0) return;
    SearchRow& row = m_state.searchTable[index];
    row.streamCount = pmt.streamCount;
    row.programScrambled = pmt.programScrambled;
    row.streamScrambled = pmt.streamScrambled;
    row.pcrPid = pmt.pcrPid;
    for (int k = 0; k < pmt.streamCount; ++k) {
        row.streamTypes[k] = pmt.streams[k].streamType;
        row.streamPids[k] = pmt.streams[k].pid;
    }
}

// Stores every program, then the count; shows them in the program tree once
// all are stored. A failed write removes what was stored, so no partial list
// stays behind.
bool CProgramSearch::StorePrograms() {
    CChannelDatabase& db = m_services.database;
    std::vector<ProgramEntry> programs;
    for (int i = 0; i < m_state.patTable.count; ++i) {
        const PatEntry& entry = m_state.patTable.entries[i];
        if (entry.programNumber == 0) continue;
        programs.push_back(MakeProgramEntry(static_cast<int>(programs.size()) + 1, i, entry,
                                            m_state.searchTable[i]));
    }
    bool stored = true;
    for (const ProgramEntry& p : programs) stored = stored && db.WriteProgram(p.key, p);
    stored = stored && db.WriteProgramCount(static_cast<int>(programs.size()));
    if (!stored) {
        db.DeleteAllPrograms();
        return false;
    }
    const std::string tv = Gbk("电视节目");
    for (const ProgramEntry& p : programs) m_services.tree.AddProgramItem(p.name, p.type == tv);
    m_programs.store(static_cast<int>(programs.size()));
    return true;
}

}  // namespace orbix
