#include "sim/stream_output.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>

#include "platform/net_interface.h"
#include "sim/card_logic_model.h"
#include "sim/front_end.h"
#include "sim/media_mux.h"
#include "sim/sim_card.h"
#include "sim/sim_texts.h"

namespace orbix::sim {
namespace {

constexpr std::uint16_t kSlotInUse = 0x2000;
constexpr std::uint8_t kLnbSelectBits = 0x03;
// After a stall the stream catches up by at most this much, as a card's
// buffer would overflow rather than deliver a flood.
constexpr std::int64_t kMaxCatchUpMs = 200;
// While nothing could pass (no lock, no supply, no PID in use) the output
// only looks again this often, and makes no packets meanwhile: an idle card
// costs next to nothing.
constexpr int kIdleSliceMs = 20;

bool AnyInUse(const std::array<std::uint16_t, 32>& table) {
    for (std::uint16_t slot : table)
        if (slot & kSlotInUse) return true;
    return false;
}

}  // namespace

CardStreamView ViewOfLogic(const CCardLogicModel& logic) {
    return {[&logic] { return logic.PidTable(); }, [&logic] { return logic.Control(); }};
}

LockedStreamFn LockedStreamOf(std::shared_ptr<const CSimFrontEnd> frontEnd) {
    return [frontEnd]() -> std::optional<LockedStream> {
        const auto locked = frontEnd->LockedTransponder();
        if (!locked) return std::nullopt;
        int index = 0;
        const Sky& sky = frontEnd->GetSky();
        for (std::size_t s = 0; s < sky.satellites.size(); ++s) {
            const auto& transponders = sky.satellites[s].transponders;
            for (std::size_t t = 0; t < transponders.size(); ++t) {
                const SkyTransponder& tp = transponders[t];
                if (tp.satellite == locked->satellite && tp.name == locked->name) {
                    return LockedStream{tp.satellite + "/" + tp.name, tp.stream, index,
                                        SiContextOf(sky, s, t)};
                }
                ++index;
            }
        }
        return LockedStream{locked->satellite + "/" + locked->name, locked->stream, 0};
    };
}

std::unique_ptr<CStreamOutput> StartStreamOutput(CSimCard& card,
                                                 std::shared_ptr<const CSimFrontEnd> frontEnd,
                                                 std::string& error, StreamOutputConfig config) {
    const StreamFaultSchedule faults = frontEnd->GetSky().faults.stream;
    auto output = std::make_unique<CStreamOutput>(
        ViewOfLogic(card.Logic()), LockedStreamOf(std::move(frontEnd)), std::move(config));
    if (!faults.Empty()) output->SetFaults(std::make_shared<CStreamFaultFilter>(faults));
    if (!output->Start(error)) return nullptr;
    return output;
}

CStreamOutput::CStreamOutput(CardStreamView card, LockedStreamFn locked, StreamOutputConfig config)
    : m_card(std::move(card)), m_locked(std::move(locked)), m_config(std::move(config)) {}

CStreamOutput::~CStreamOutput() { Stop(); }

bool CStreamOutput::Start(std::string& error) {
    if (m_thread.joinable()) return true;
    m_socket = ::socket(AF_INET, SOCK_DGRAM, 0);
    const int on = 1;
    if (m_socket < 0 || ::setsockopt(m_socket, SOL_SOCKET, SO_BROADCAST, &on, sizeof on) != 0) {
        error = texts::OutputSocketFailed(std::strerror(errno));
        if (m_socket >= 0) ::close(m_socket);
        m_socket = -1;
        return false;
    }
    const int sendBuffer = 4 << 20;
    ::setsockopt(m_socket, SOL_SOCKET, SO_SNDBUF, &sendBuffer, sizeof sendBuffer);
    m_stop.Reset();
    if (m_config.media && !m_media) {
        m_mediaLoader = std::thread([this] {
            std::string why;
            m_media = LoadMediaLibrary(why);
            if (!m_media) std::fprintf(stderr, "%s\n", texts::MediaMissing(why).c_str());
        });
    }
    m_thread = std::thread([this] { Run(); });
    return true;
}

void CStreamOutput::Stop() {
    if (m_thread.joinable()) {
        m_stop.Request();
        m_thread.join();
    }
    if (m_mediaLoader.joinable()) m_mediaLoader.join();
    if (m_socket >= 0) ::close(m_socket);
    m_socket = -1;
}

std::string CStreamOutput::SourceError() const {
    std::lock_guard lock(m_errorMutex);
    return m_sourceError;
}

ITsSource* CStreamOutput::SourceFor(const LockedStream& locked) {
    auto it = m_sources.find(locked.id);
    if (it == m_sources.end()) {
        if (m_mediaLoader.joinable()) m_mediaLoader.join();
        std::string error;
        auto source = MakeStreamSource(locked.stream, locked.skyIndex, error,
                                       locked.si ? &*locked.si : nullptr, m_media);
        {
            std::lock_guard lock(m_errorMutex);
            m_sourceError = source ? std::string() : locked.id + ": " + error;
        }
        // Once per transponder: the failed source is kept, so this is not
        // reached again for it.
        if (!source) std::fprintf(stderr, "%s\n", texts::StreamNotPlayed(locked.id, error).c_str());
        it = m_sources.emplace(locked.id, std::move(source)).first;
    }
    return it->second.get();
}

void CStreamOutput::Run() {
    using Clock = std::chrono::steady_clock;
    std::string playing;
    Clock::time_point start{};
    std::int64_t played = 0;
    int slice = m_config.sliceMs;
    while (!m_stop.WaitFor(slice)) {
        const auto locked = m_locked ? m_locked() : std::nullopt;
        const bool supplied = (m_card.control() & kLnbSelectBits) != 0;
        ITsSource* source = locked && supplied ? SourceFor(*locked) : nullptr;
        if (source == nullptr || !AnyInUse(m_card.pidTable())) {
            // The stream picks up where it stopped, paced afresh from then.
            playing.clear();
            m_held = 0;
            slice = kIdleSliceMs;
            continue;
        }
        slice = m_config.sliceMs;
        const auto now = Clock::now();
        if (playing != locked->id) {
            playing = locked->id;
            start = now;
            played = 0;
            m_held = 0;
        }
        const std::int64_t elapsedUs =
            std::chrono::duration_cast<std::chrono::microseconds>(now - start).count();
        const std::int64_t packetBits = kPacketSize * 8;
        std::int64_t due = elapsedUs * source->BitRate() / packetBits / 1'000'000;
        const std::int64_t maxBurst = source->BitRate() * kMaxCatchUpMs / 1000 / packetBits;
        if (due - played > maxBurst) played = due - maxBurst;
        Play(*source, due - played);
        played = due;
    }
}

void CStreamOutput::Play(ITsSource& source, std::int64_t packets) {
    const auto table = m_card.pidTable();
    if (table != m_table) {
        m_table = table;
        m_held = 0;
        m_passing.reset();
        for (std::uint16_t slot : table) {
            if (slot & kSlotInUse) m_passing.set(slot & 0x1FFF);
        }
    }
    TsPacket packet;
    for (std::int64_t i = 0; i < packets; ++i) {
        source.NextPacket(packet);
        const int pid = ((packet[1] & 0x1F) << 8) | packet[2];
        if (!m_passing.test(static_cast<std::size_t>(pid))) continue;
        if (m_faults && m_faults->DropPacket()) continue;
        std::memcpy(m_datagram.data() + m_held * kPacketSize, packet.data(), kPacketSize);
        if (++m_held == 7) Send();
    }
}

void CStreamOutput::Send() {
    if (m_faults && m_faults->Silenced()) {
        m_held = 0;
        return;
    }
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<std::uint16_t>(m_config.port));
    if (::inet_pton(AF_INET, Destination().c_str(), &to.sin_addr) != 1) {
        m_held = 0;
        m_sendErrors.fetch_add(1);
        return;
    }
    const ssize_t sent = ::sendto(m_socket, m_datagram.data(), m_datagram.size(), 0,
                                  reinterpret_cast<const sockaddr*>(&to), sizeof to);
    m_held = 0;
    if (sent == static_cast<ssize_t>(m_datagram.size())) {
        m_datagrams.fetch_add(1);
        m_packets.fetch_add(7);
    } else {
        m_sendErrors.fetch_add(1);
    }
}

// The interface's broadcast address is looked up again once a second, so
// that an interface brought up or readdressed later is followed.
const std::string& CStreamOutput::Destination() {
    if (m_config.interface.empty()) return m_config.address;
    const auto now = std::chrono::steady_clock::now();
    if (now - m_destinationRead >= std::chrono::seconds(1)) {
        m_destination = ReadNetInterface(m_config.interface).broadcast;
        m_destinationRead = now;
    }
    return m_destination;
}

}  // namespace orbix::sim
