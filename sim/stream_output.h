#pragma once

#include <array>
#include <atomic>
#include <bitset>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "platform/clock.h"
#include "platform/stream_port.h"
#include "sim/si_generator.h"
#include "sim/stream_faults.h"
#include "sim/ts_mux.h"

namespace orbix::sim {

class CCardLogicModel;
class CSimCard;
class CSimFrontEnd;

// What the stream output reads of the card: its PID table and the logic's
// control byte (bits 1..0 select the LNB supply, 0 = off).
struct CardStreamView {
    std::function<std::array<std::uint16_t, 32>()> pidTable;
    std::function<std::uint8_t()> control;
};
CardStreamView ViewOfLogic(const CCardLogicModel& logic);

// The transponder the demodulator is locked to: an identity that changes
// when another one is locked, its `stream` text and its position in the sky.
struct LockedStream {
    LockedStream() = default;
    LockedStream(std::string id_, std::string stream_, int skyIndex_,
                 std::optional<SiContext> si_ = std::nullopt)
        : id(std::move(id_)), stream(std::move(stream_)), skyIndex(skyIndex_), si(std::move(si_)) {}

    std::string id;
    std::string stream;
    int skyIndex = 0;
    // What its service tables say (the SDT and the NIT of its satellite).
    std::optional<SiContext> si;
};
using LockedStreamFn = std::function<std::optional<LockedStream>()>;

// The front end's locked transponder, named satellite/transponder, with its
// position in the sky counted over all satellites.
LockedStreamFn LockedStreamOf(std::shared_ptr<const CSimFrontEnd> frontEnd);

struct StreamOutputConfig {
    std::string address = "127.255.255.255";
    int port = StreamPort();
    int sliceMs = 2;
    // When set, the datagrams go to this network interface's broadcast
    // address instead, out through it, as a card's own interface delivers
    // them; while it has no broadcast address nothing is sent.
    std::string interface = {};
    // Generated multiplexes carry the media cache's pictures and sound
    // (filler bytes when false, or when there is no cache).
    bool media = true;
};

// The card's stream output: while a transponder is locked and the LNB is
// supplied, plays that transponder's transport stream at its bit rate and
// sends every packet whose PID stands in an in-use slot of the PID table,
// seven packets to a datagram, to the UDP port as a broadcast on the
// loopback, so that every socket bound to the port receives it. A rewritten
// PID table starts a new datagram: packets the old table passed are not sent
// with those of the new one. The pacing
// follows real time; it is the one part of the simulated card that does.
class CStreamOutput {
  public:
    CStreamOutput(CardStreamView card, LockedStreamFn locked, StreamOutputConfig config = {});
    ~CStreamOutput();
    CStreamOutput(const CStreamOutput&) = delete;
    CStreamOutput& operator=(const CStreamOutput&) = delete;

    // Scheduled stream faults (none when null); set before Start.
    void SetFaults(std::shared_ptr<CStreamFaultFilter> faults) { m_faults = std::move(faults); }

    // False with a reason when the sending socket cannot be made.
    bool Start(std::string& error);
    void Stop();

    std::uint64_t DatagramsSent() const { return m_datagrams.load(); }
    std::uint64_t PacketsSent() const { return m_packets.load(); }
    std::uint64_t SendErrors() const { return m_sendErrors.load(); }
    // Why the locked transponder's stream could not be played, if it could not.
    std::string SourceError() const;

  private:
    void Run();
    ITsSource* SourceFor(const LockedStream& locked);
    void Play(ITsSource& source, std::int64_t packets);
    void Send();
    const std::string& Destination();

    CardStreamView m_card;
    LockedStreamFn m_locked;
    StreamOutputConfig m_config;
    std::shared_ptr<CStreamFaultFilter> m_faults;
    int m_socket = -1;
    std::thread m_thread;
    std::thread m_mediaLoader;  // reads the media cache at start, off the stream thread
    std::shared_ptr<const CMediaLibrary> m_media;
    CStopSignal m_stop;
    std::map<std::string, std::unique_ptr<ITsSource>> m_sources;
    std::bitset<8192> m_passing;
    std::array<std::uint16_t, 32> m_table{};
    std::array<std::uint8_t, 7 * kPacketSize> m_datagram{};
    int m_held = 0;
    std::string m_destination;
    std::chrono::steady_clock::time_point m_destinationRead{};
    std::atomic<std::uint64_t> m_datagrams{0};
    std::atomic<std::uint64_t> m_packets{0};
    std::atomic<std::uint64_t> m_sendErrors{0};
    mutable std::mutex m_errorMutex;
    std::string m_sourceError;
};

// The stream output of a simulated card and its front end, started. Null
// with a reason when it cannot send.
std::unique_ptr<CStreamOutput> StartStreamOutput(CSimCard& card,
                                                 std::shared_ptr<const CSimFrontEnd> frontEnd,
                                                 std::string& error,
                                                 StreamOutputConfig config = {});

}  // namespace orbix::sim
