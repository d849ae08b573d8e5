#include "search/udp_receiver.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>

#include "platform/net_interface.h"
#include "search/search_texts.h"
#include "search/stream_interface.h"

namespace orbix {

CUdpReceiver::CUdpReceiver(INotices& notices, int receiveTimeoutMs)
    : m_notices(notices),
      m_receiveTimeoutMs(receiveTimeoutMs),
      m_interface(StreamInterface().name) {}

CUdpReceiver::~CUdpReceiver() {
    if (m_socket >= 0) ::close(m_socket);
}

void CUdpReceiver::Fail(const char* format, int error, bool tell) {
    char text[64];
    std::snprintf(text, sizeof text, format, error);
    m_lastError = text;
    if (tell)
        m_notices.Show(Notice{m_lastError, "Warning", NoticeButtons::Ok, NoticeIcon::Warning});
}

bool CUdpReceiver::Create() {
    // A socket left open by an earlier run that never closed it is not leaked.
    if (m_socket >= 0) ::close(m_socket);
    m_socket = ::socket(AF_INET, SOCK_DGRAM, 0);
    if (m_socket < 0) {
        Fail(texts::kSocketCreateFailed, errno, true);
        return false;
    }
    return true;
}

bool CUdpReceiver::Bind(int port) {
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(static_cast<std::uint16_t>(port));
    local.sin_addr.s_addr = htonl(INADDR_ANY);
    const int on = 1;
    ::setsockopt(m_socket, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    // Only the card's interface carries its stream. Where the kernel refuses
    // the restriction (before 5.7 it takes CAP_NET_RAW) the socket hears every
    // interface, as it did before, and the search works on.
    std::string refused;
    if (!m_interface.empty() && !BindSocketToInterface(m_socket, m_interface, refused)) {
        std::fprintf(stderr, "orbixrx: stream socket not restricted to %s: %s\n",
                     m_interface.c_str(), refused.c_str());
    }
    if (::bind(m_socket, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
        Fail(texts::kBindFailed, errno, true);
        Close();
        return false;
    }
    if (::setsockopt(m_socket, SOL_SOCKET, SO_BROADCAST, &on, sizeof on) != 0) {
        Fail(texts::kBroadcastFailed, errno, true);
        Close();
        return false;
    }
    return LimitWait(m_receiveTimeoutMs);
}

bool CUdpReceiver::LimitWait(int ms) {
    ms = std::clamp(ms, 1, m_receiveTimeoutMs);
    timeval timeout{};
    timeout.tv_sec = ms / 1000;
    timeout.tv_usec = (ms % 1000) * 1000;
    return ::setsockopt(m_socket, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout) == 0;
}

int CUdpReceiver::Receive(std::uint8_t* buffer, int size) {
    if (buffer == nullptr || size < 0) return -1;
    sockaddr_in sender{};
    socklen_t senderSize = sizeof sender;
    const ssize_t n = ::recvfrom(m_socket, buffer, static_cast<std::size_t>(size), 0,
                                 reinterpret_cast<sockaddr*>(&sender), &senderSize);
    if (n >= 0) return static_cast<int>(n);
    const int error = errno;
    if (error == EAGAIN || error == EWOULDBLOCK || error == ETIMEDOUT) {
        Fail(texts::kReceiveFailed, error, false);
    }
    return -1;
}

int CUdpReceiver::Discard() {
    std::uint8_t scrap[1];
    int dropped = 0;
    while (m_socket >= 0 && ::recv(m_socket, scrap, sizeof scrap, MSG_DONTWAIT) >= 0) ++dropped;
    return dropped;
}

bool CUdpReceiver::Close() {
    // The handle is forgotten either way: closing it a second time could
    // close a descriptor that by then belongs to someone else.
    const int socket = m_socket;
    m_socket = -1;
    if (::close(socket) != 0) {
        Fail(texts::kCloseFailed, errno, true);
        return false;
    }
    return true;
}

}  // namespace orbix
