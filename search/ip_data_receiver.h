#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/tun_device.h"
#include "search/mpe_decap.h"

namespace orbix {

// What the IP data reception has done so far; a copy, safe to read from
// any thread.
struct IpDataCounters {
    MpeCounters mpe;
    std::uint64_t outputErrors = 0;  // datagrams the interface refused
    std::uint64_t Drops() const { return mpe.Drops() + outputErrors; }
};

// Receives IP data on its own thread: reads the stream port with a socket of
// its own (beside the player's and the search's, address reuse), hands the
// packets of the IP PIDs to the decapsulator and writes each datagram to the
// output, which is the only place anything received goes.
class CIpDataReceiver {
  public:
    explicit CIpDataReceiver(IDatagramOutput& output);
    ~CIpDataReceiver();
    CIpDataReceiver(const CIpDataReceiver&) = delete;
    CIpDataReceiver& operator=(const CIpDataReceiver&) = delete;

    // Binds the port and starts the thread; false with the reason in error
    // (already running, no PIDs, the port cannot be bound).
    bool Start(const std::vector<std::uint16_t>& pids, const MacFilter& filter, int port,
               std::string& error);
    // Stops and joins the thread (at most a receive time-out later).
    void Stop();
    bool Running() const { return m_thread.joinable(); }
    IpDataCounters Counters() const;

  private:
    void Run(std::vector<std::uint16_t> pids, MacFilter filter);

    IDatagramOutput& m_output;
    int m_socket = -1;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
    mutable std::mutex m_mutex;
    IpDataCounters m_counters;
};

// "500,501" or "500 501": hexadecimal PIDs below 0x1FFF; false on anything
// else or more than 32.
bool ParsePidList(const std::string& text, std::vector<std::uint16_t>& pids);

}  // namespace orbix

namespace orbix {
class CChannelDatabase;
// The ticked PIDs of the user's IP list (section "IP"), those that read as
// PIDs.
std::vector<std::uint16_t> ActiveIpPids(const CChannelDatabase& database);
// The filter the settings' "MAC" text asks for: every section when empty.
bool MacFilterFromText(const std::string& text, MacFilter& filter);
}  // namespace orbix
