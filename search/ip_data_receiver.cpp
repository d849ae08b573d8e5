#include "search/ip_data_receiver.h"

#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <optional>

#include "db/pid_list.h"

namespace orbix {
namespace {

constexpr int kPollMs = 200;             // how soon Stop is noticed
constexpr int kReceiveBuffer = 4 << 20;  // rides out a slow moment at 40 Mbit/s

int OpenPort(int port, std::string& error) {
    const int s = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (s < 0) {
        error = std::string("socket: ") + std::strerror(errno);
        return -1;
    }
    const int one = 1;
    setsockopt(s, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    setsockopt(s, SOL_SOCKET, SO_BROADCAST, &one, sizeof one);
    setsockopt(s, SOL_SOCKET, SO_RCVBUF, &kReceiveBuffer, sizeof kReceiveBuffer);
    const timeval timeout{0, kPollMs * 1000};
    setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(static_cast<std::uint16_t>(port));
    local.sin_addr.s_addr = htonl(INADDR_ANY);
    if (bind(s, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
        error = "stream port " + std::to_string(port) + ": " + std::strerror(errno);
        close(s);
        return -1;
    }
    return s;
}

}  // namespace

bool ParsePidList(const std::string& text, std::vector<std::uint16_t>& pids) {
    std::vector<std::uint16_t> out;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t end = text.find_first_of(", |", at);
        const std::string item = text.substr(at, end == std::string::npos ? end : end - at);
        at = end == std::string::npos ? text.size() : end + 1;
        if (item.empty()) continue;
        const std::optional<std::uint16_t> v = pidlist::PidValue(item);
        if (!v || *v == 0) return false;
        out.push_back(*v);
    }
    if (out.empty() || out.size() > 32) return false;
    pids = std::move(out);
    return true;
}

CIpDataReceiver::CIpDataReceiver(IDatagramOutput& output) : m_output(output) {}

CIpDataReceiver::~CIpDataReceiver() { Stop(); }

bool CIpDataReceiver::Start(const std::vector<std::uint16_t>& pids, const MacFilter& filter,
                            int port, std::string& error) {
    if (Running()) {
        error = "IP data reception already runs";
        return false;
    }
    if (pids.empty()) {
        error = "no IP PIDs";
        return false;
    }
    m_socket = OpenPort(port, error);
    if (m_socket < 0) return false;
    m_stop = false;
    {
        const std::scoped_lock lock(m_mutex);
        m_counters = {};
    }
    m_thread = std::thread(&CIpDataReceiver::Run, this, pids, filter);
    return true;
}

void CIpDataReceiver::Stop() {
    if (!m_thread.joinable()) return;
    m_stop = true;
    m_thread.join();
    close(m_socket);
    m_socket = -1;
}

IpDataCounters CIpDataReceiver::Counters() const {
    const std::scoped_lock lock(m_mutex);
    return m_counters;
}

void CIpDataReceiver::Run(std::vector<std::uint16_t> pids, MacFilter filter) {
    std::uint64_t outputErrors = 0;
    CMpeDecapsulator decap(
        [&](std::span<const std::uint8_t> datagram) {
            if (!m_output.Write(datagram)) ++outputErrors;
        },
        filter);
    decap.SetPids(pids);
    std::array<std::uint8_t, 2048> buffer{};
    while (!m_stop) {
        const ssize_t n = recv(m_socket, buffer.data(), buffer.size(), 0);
        if (n <= 0) continue;  // time-out: look at the stop flag again
        decap.FeedPackets(std::span(buffer.data(), static_cast<std::size_t>(n)));
        const std::scoped_lock lock(m_mutex);
        m_counters.mpe = decap.Counters();
        m_counters.outputErrors = outputErrors;
    }
}

}  // namespace orbix

#include "db/channel_database.h"

namespace orbix {

std::vector<std::uint16_t> ActiveIpPids(const CChannelDatabase& database) {
    return pidlist::ActivePids(database.ReadPidLists());
}

bool MacFilterFromText(const std::string& text, MacFilter& filter) {
    if (text.empty()) {
        filter = MacFilter{};
        return true;
    }
    MacAddress mac{};
    if (!ParseMac(text, mac)) return false;
    filter = MacFilter{false, mac};
    return true;
}

}  // namespace orbix
