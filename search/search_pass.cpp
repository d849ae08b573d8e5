#include "search/search_pass.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "db/program_vocabulary.h"
#include "search/search_texts.h"

namespace orbix {
namespace {

// Datagrams received for a filter of n PMT PIDs: one datagram per seven
// PMTs and five more, so that a section missed while the filter changed
// comes round again.
int DatagramsFor(int n) { return n / kPacketsPerDatagram + 5; }

constexpr std::array<std::uint8_t, 5> kVideoTypes{0x01, 0x02, 0x10, 0x1B, 0x24};
constexpr std::array<std::uint8_t, 5> kAudioTypes{0x03, 0x04, 0x0F, 0x11, 0x81};
constexpr std::uint8_t kPrivateDataType = 0x06;
// Two receive time-outs in a row: the card has stopped sending.
constexpr int kSilentReceivesToEndStep = 2;

bool Among(std::span<const std::uint8_t> types, std::uint8_t type) {
    return std::ranges::find(types, type) != types.end();
}

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

// Receives one datagram into a zeroed slot. A packet the datagram cut short
// is cleared too: its missing tail would otherwise read as zero bytes of
// the section.
int ReceiveInto(IDatagramSource& source, std::span<std::uint8_t> slot) {
    std::fill(slot.begin(), slot.end(), std::uint8_t{0});
    const int received = source.Receive(slot.data(), static_cast<int>(slot.size()));
    if (received > 0) {
        const auto whole = static_cast<std::size_t>(received / kTsPacketSize * kTsPacketSize);
        std::fill(slot.begin() + static_cast<long>(std::min(whole, slot.size())), slot.end(),
                  std::uint8_t{0});
    }
    return received;
}

}  // namespace

bool IsVideoStream(std::uint8_t streamType) { return Among(kVideoTypes, streamType); }

bool IsAudioStream(std::uint8_t streamType, bool audioDescriptor) {
    return Among(kAudioTypes, streamType) || (streamType == kPrivateDataType && audioDescriptor);
}

ProgramEntry MakeProgramEntry(int keyNumber, int patIndex, const PatEntry& entry,
                              const SearchRow& row) {
    const auto streams = std::clamp(row.streamCount, 0, kPmtStreamCapacity);
    int firstAudio = -1;
    int lastAudio = -1;
    int video = -1;
    for (int k = 0; k < streams; ++k) {
        if (IsVideoStream(row.streamTypes[k])) video = k;
        if (!IsAudioStream(row.streamTypes[k], row.audioDescriptors[k])) continue;
        if (firstAudio < 0) {
            firstAudio = k;
        } else {
            lastAudio = k;
        }
    }
    auto pidText = [&row](int k) { return k < 0 ? std::string("00") : Hex(row.streamPids[k]); };
    ProgramEntry out;
    out.key = CChannelDatabase::MakeProgramKey(keyNumber);
    out.name = texts::ProgramWord() + std::to_string(patIndex);
    if (row.programScrambled || row.streamScrambled) out.name += ScrambledMark();
    out.type = GroupText(video >= 0 ? ProgramGroup::Tv : ProgramGroup::Radio);
    out.pmtPid = Hex(entry.pid);
    out.audioPid1 = pidText(firstAudio);
    out.audioPid2 = pidText(lastAudio);
    out.videoPid = pidText(video);
    out.pcrPid = Hex(row.pcrPid);
    return out;
}

int CSearchPass::ReceivePat() {
    m_filter.SetPatPid();
    m_source.Discard();
    std::array<std::uint8_t, kDatagramSize> datagram{};
    const std::int64_t start = m_clock.NowMs();
    for (int received = 1;; ++received) {
        ReceiveInto(m_source, datagram);
        if (OnlyPid0(datagram)) break;
        const bool overdue =
            received >= kPatDatagramLimit || m_clock.NowMs() - start >= kPatTimeLimitMs;
        if (overdue || m_stop.Requested()) return -1;
    }
    return ParsePat(datagram, kPacketsPerDatagram, m_tables.pat);
}

// Makes count receives into area, back to back; the datagrams that came
// lie at its front. A time-out counts as a receive: a program that repeats
// its PMT slowly can take longer than one time-out to fill a datagram. Two
// time-outs in a row mean the card has stopped, and waiting out the other
// receives would only delay the same result. Returns the datagrams received.
int CSearchPass::ReceiveDatagrams(std::span<std::uint8_t> area, int count) {
    int received = 0;
    int silent = 0;
    for (int k = 0; k < count && silent < kSilentReceivesToEndStep; ++k) {
        if (m_stop.Requested()) break;
        const auto slot =
            area.subspan(static_cast<std::size_t>(received) * kDatagramSize, kDatagramSize);
        if (ReceiveInto(m_source, slot) < 0) {
            ++silent;
            std::fill(slot.begin(), slot.end(), std::uint8_t{0});
        } else {
            silent = 0;
            ++received;
        }
    }
    return received;
}

bool CSearchPass::CollectPmts(int count) {
    count = std::clamp(count, 0, m_tables.pat.count);
    const std::span<const PatEntry> entries(m_tables.pat.entries.data(), count);
    for (int i = 0; i < count; ++i) m_tables.rows[i] = SearchRow{};
    m_pmtsReceived = 0;
    m_programs = static_cast<int>(
        std::ranges::count_if(entries, [](const PatEntry& e) { return e.programNumber != 0; }));
    if (count <= m_batch) {
        m_filter.SetPmtPids(entries);
        return CollectBatch(entries, 0, DatagramsFor(count));
    }
    const int batches = (count + m_batch - 1) / m_batch;
    for (int b = 1; b <= batches; ++b) {
        m_filter.SetPmtPidsPage(entries, count, b, m_batch);
        const int first = (b - 1) * m_batch;
        const int inBatch = std::min(m_batch, count - first);
        if (!CollectBatch(entries, first, DatagramsFor(inBatch))) return false;
    }
    return true;
}

// Silence alone does not tell a lost signal from PMTs that never come on a
// locked transponder; where the tuner's lock is known, it decides.
bool CSearchPass::SignalLost(int received) const { return m_locked ? !m_locked() : received == 0; }

// Receives datagrams on the filter as just set and fills the rows of the
// entries first .. first + batch - 1 (as far as there are entries) from what came.
// A PMT that is not among them leaves its row cleared; a step during which
// the signal was lost has no trustworthy result.
bool CSearchPass::CollectBatch(std::span<const PatEntry> entries, int first, int datagrams) {
    m_source.Discard();
    std::vector<std::uint8_t> area(static_cast<std::size_t>(datagrams) * kDatagramSize);
    const int received = ReceiveDatagrams(area, datagrams);
    if (m_stop.Requested() || SignalLost(received)) return false;
    const auto packets = std::span<const std::uint8_t>(area).first(
        static_cast<std::size_t>(received) * kDatagramSize);
    const int last = std::min(first + m_batch, static_cast<int>(entries.size()));
    for (int i = first; i < last; ++i) {
        if (entries[i].programNumber != 0 && FillRow(i, entries[i], packets)) ++m_pmtsReceived;
    }
    if (m_pmtProgress) m_pmtProgress(m_pmtsReceived, m_programs);
    return true;
}

bool CSearchPass::FillRow(int index, const PatEntry& entry, std::span<const std::uint8_t> packets) {
    std::array<std::uint8_t, kAssemblyAreaSize> section;
    const int count = static_cast<int>(packets.size() / kTsPacketSize);
    if (AssembleSection(entry.pid, entry.programNumber, packets, count, section) == 0) return false;
    PmtTable& pmt = m_tables.pmt;
    if (ParsePmt(section, 1, pmt, entry.pid) < 0) return false;
    SearchRow& row = m_tables.rows[index];
    row.streamCount = pmt.streamCount;
    row.programScrambled = pmt.programScrambled;
    row.streamScrambled = pmt.streamScrambled;
    row.pcrPid = pmt.pcrPid;
    for (int k = 0; k < pmt.streamCount; ++k) {
        row.streamTypes[k] = pmt.streams[k].streamType;
        row.streamPids[k] = pmt.streams[k].pid;
        row.audioDescriptors[k] = pmt.streams[k].audioDescriptor;
    }
    return true;
}

std::vector<ProgramEntry> CSearchPass::Programs() const {
    std::vector<ProgramEntry> programs;
    for (int i = 0; i < m_tables.pat.count; ++i) {
        const PatEntry& entry = m_tables.pat.entries[i];
        if (entry.programNumber == 0) continue;
        programs.push_back(
            MakeProgramEntry(static_cast<int>(programs.size()) + 1, i, entry, m_tables.rows[i]));
    }
    return programs;
}

}  // namespace orbix
