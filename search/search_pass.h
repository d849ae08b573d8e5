#pragma once

#include <array>
#include <cstdint>
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
};
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
    // Fills the rows of the first count PAT entries. False when the card
    // stopped sending (a receive timed out) or a stop was asked for.
    bool CollectPmts(int count);
    // The program records of the PAT entries with a non-zero program number.
    std::vector<ProgramEntry> Programs() const;

  private:
    bool CollectBatch(std::span<const PatEntry> entries, int first, int datagrams);
    void FillRow(int index, const PatEntry& entry, std::span<const std::uint8_t> packets);
    int ReceiveDatagrams(std::span<std::uint8_t> area, int count);

    IDatagramSource& m_source;
    CPidFilter& m_filter;
    SearchTables m_tables;
    IClock& m_clock;
    const CStopSignal& m_stop;
};

}  // namespace orbix
