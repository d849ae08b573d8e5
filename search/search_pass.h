#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "card/pid_filter.h"
#include "db/channel_database.h"
#include "platform/clock.h"
#include "search/datagram_source.h"
#include "search/psi.h"

namespace orbix {

// What the search keeps of one program's PMT. As many rows as the PAT table
// holds entries and as many streams as the PMT table holds, so that no
// program and no stream of a program is lost.
struct SearchRow {
    int streamCount = 0;
    bool programScrambled = false;
    bool streamScrambled = false;
    std::array<std::uint16_t, kPmtStreamCapacity> streamPids{};
    std::uint16_t pcrPid = 0;
    std::array<std::uint8_t, kPmtStreamCapacity> streamTypes{};
    // The stream's ES_info names AC-3, E-AC-3 or DTS (see kAudioDescriptorTags).
    std::array<bool, kPmtStreamCapacity> audioDescriptors{};
};

// What the stored record counts a stream as: video (MPEG-1/2, MPEG-4
// visual, H.264, HEVC), audio (MPEG-1/2, AAC, AC-3, and private data that
// carries an AC-3, E-AC-3 or DTS descriptor), or neither.
bool IsVideoStream(std::uint8_t streamType);
bool IsAudioStream(std::uint8_t streamType, bool audioDescriptor);
using SearchTable = std::array<SearchRow, kPatCapacity>;

// The stored record of PAT entry patIndex with its search row; keyNumber
// numbers the key.
ProgramEntry MakeProgramEntry(int keyNumber, int patIndex, const PatEntry& entry,
                              const SearchRow& row);

// Without a PAT datagram, ReceivePat gives up after this many datagrams of
// other PIDs or this long, as after a time-out.
inline constexpr int kPatDatagramLimit = 2000;
inline constexpr std::int64_t kPatTimeLimitMs = 3000;

// The tables a search fills.
struct SearchTables {
    PatTable& pat;
    PmtTable& pmt;
    SearchTable& rows;
};

// One pass of the search over a datagram source: the PAT, then the PMTs of
// its programs, steering the PID filter so that only what it needs comes.
class CSearchPass {
  public:
    CSearchPass(IDatagramSource& source, CPidFilter& filter, SearchTables tables, IClock& clock,
                const CStopSignal& stop)
        : m_source(source), m_filter(filter), m_tables(tables), m_clock(clock), m_stop(stop) {}

    // Number of PAT entries, or -1.
    int ReceivePat();
    // Fills the rows of the first count PAT entries from whatever came; a
    // PMT that did not come leaves its row cleared. False when the signal was
    // lost during a step or a stop was asked for. With a lock state set, the
    // tuner's lock says whether the signal was lost; without one, a step that
    // got no datagram at all counts as lost.
    bool CollectPmts(int count);
    // How many PMT PIDs the filter takes at a time: the slots the user's PID
    // list leaves free, at most 32.
    void SetBatchSize(int pids) { m_batch = std::clamp(pids, 1, CPidFilter::kSlots); }
    // The tune worker's lock, asked after each step.
    void SetLockState(std::function<bool()> locked) { m_locked = std::move(locked); }
    // Called after every step with the PMTs received so far and the
    // programs listed.
    void SetPmtProgress(std::function<void(int received, int programs)> progress) {
        m_pmtProgress = std::move(progress);
    }
    // The program records of the PAT entries with a non-zero program number.
    std::vector<ProgramEntry> Programs() const;

  private:
    bool CollectBatch(std::span<const PatEntry> entries, int first, int datagrams);
    bool FillRow(int index, const PatEntry& entry, std::span<const std::uint8_t> packets);
    int ReceiveDatagrams(std::span<std::uint8_t> area, int count);
    bool SignalLost(int received) const;

    IDatagramSource& m_source;
    CPidFilter& m_filter;
    SearchTables m_tables;
    IClock& m_clock;
    const CStopSignal& m_stop;
    std::function<void(int, int)> m_pmtProgress;
    std::function<bool()> m_locked;
    int m_batch = CPidFilter::kSlots;
    int m_pmtsReceived = 0;
    int m_programs = 0;
};

}  // namespace orbix
