#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>

#include "platform/clock.h"
#include "search/pid_stats.h"
#include "search/stream_watchdog.h"

namespace orbix {

// Reads the card's UDP stream with a socket of its own (address reuse and
// broadcast, as the search and the player bind theirs), so that it takes
// nothing from either: each socket on the port gets its own copy. Every
// datagram tells the watchdog; while statistics are on, it is counted too.
// One worker thread, stopped and joined by Stop or the destructor.
class CStreamReader {
  public:
    CStreamReader(IClock& clock, CStreamWatchdog& watchdog, CPidStatistics* statistics = nullptr);
    ~CStreamReader();
    CStreamReader(const CStreamReader&) = delete;
    CStreamReader& operator=(const CStreamReader&) = delete;

    // False with the reason (UTF-8) when the socket cannot be opened or bound.
    bool Start(int port, std::string& error);
    void Stop();
    bool Running() const { return m_thread.joinable(); }

    // Statistics cost a little per packet; the watchdog alone next to nothing.
    void SetStatisticsOn(bool on) { m_statisticsOn.store(on); }
    std::uint64_t Datagrams() const { return m_datagrams.load(); }

  private:
    void Run();

    IClock& m_clock;
    CStreamWatchdog& m_watchdog;
    CPidStatistics* m_statistics;
    std::atomic<bool> m_statisticsOn{true};
    std::atomic<bool> m_stop{false};
    std::atomic<std::uint64_t> m_datagrams{0};
    int m_socket = -1;
    std::thread m_thread;
};

}  // namespace orbix
