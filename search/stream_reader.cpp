#include "search/stream_reader.h"

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <span>

namespace orbix {
namespace {

constexpr int kBatch = 32;
constexpr int kDatagramBytes = 7 * 188;
// How soon a stop request is seen while nothing arrives.
constexpr int kPollMs = 100;

}  // namespace

CStreamReader::CStreamReader(IClock& clock, CStreamWatchdog& watchdog, CPidStatistics* statistics)
    : m_clock(clock), m_watchdog(watchdog), m_statistics(statistics) {}

CStreamReader::~CStreamReader() { Stop(); }

bool CStreamReader::Start(int port, std::string& error) {
    if (m_thread.joinable()) return true;
    m_socket = ::socket(AF_INET, SOCK_DGRAM, 0);
    const int on = 1;
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(static_cast<std::uint16_t>(port));
    local.sin_addr.s_addr = htonl(INADDR_ANY);
    const bool ok = m_socket >= 0 &&
                    ::setsockopt(m_socket, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) == 0 &&
                    ::setsockopt(m_socket, SOL_SOCKET, SO_BROADCAST, &on, sizeof on) == 0 &&
                    ::bind(m_socket, reinterpret_cast<const sockaddr*>(&local), sizeof local) == 0;
    if (!ok) {
        error = "cannot read UDP port " + std::to_string(port) + ": " + std::strerror(errno);
        if (m_socket >= 0) ::close(m_socket);
        m_socket = -1;
        return false;
    }
    // A 45 Mbit/s stream brings some 4300 datagrams a second; room for a
    // pause of the thread without loss.
    const int receiveBuffer = 4 << 20;
    ::setsockopt(m_socket, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
    m_stop.store(false);
    m_thread = std::thread([this] { Run(); });
    return true;
}

void CStreamReader::Stop() {
    m_stop.store(true);
    if (m_thread.joinable()) m_thread.join();
    if (m_socket >= 0) ::close(m_socket);
    m_socket = -1;
}

void CStreamReader::Run() {
    std::array<std::array<std::uint8_t, kDatagramBytes + 1>, kBatch> buffers;
    std::array<iovec, kBatch> vectors;
    std::array<mmsghdr, kBatch> messages;
    while (!m_stop.load()) {
        pollfd fd{m_socket, POLLIN, 0};
        if (::poll(&fd, 1, kPollMs) <= 0) continue;
        for (int i = 0; i < kBatch; ++i) {
            vectors[i] = {buffers[i].data(), buffers[i].size()};
            messages[i] = {};
            messages[i].msg_hdr.msg_iov = &vectors[i];
            messages[i].msg_hdr.msg_iovlen = 1;
        }
        const int got = ::recvmmsg(m_socket, messages.data(), kBatch, MSG_DONTWAIT, nullptr);
        if (got <= 0) continue;
        m_datagrams.fetch_add(static_cast<std::uint64_t>(got));
        m_watchdog.OnDatagram();
        if (!m_statistics || !m_statisticsOn.load()) continue;
        const std::int64_t now = m_clock.NowMs();
        for (int i = 0; i < got; ++i) {
            // One byte more than a datagram's room shows a longer one as malformed.
            m_statistics->OnDatagram(std::span(buffers[i].data(), messages[i].msg_len), now);
        }
    }
}

}  // namespace orbix
