#pragma once

#include <cstdint>
#include <string>

#include "platform/notices.h"
#include "search/datagram_source.h"

namespace orbix {

inline constexpr int kReceiveTimeoutMs = 3000;

// The datagram socket through which a search reads the card's stream. One
// search run calls Create, Bind, any number of Receive, then Close; the next
// run starts with Create again. Failures other than a receive are told to the
// user at once (caption "Warning"); every failure leaves its text, with the
// system's error number, in LastError.
class CUdpReceiver final : public IDatagramSource {
  public:
    explicit CUdpReceiver(INotices& notices, int receiveTimeoutMs = kReceiveTimeoutMs);
    ~CUdpReceiver() override;
    CUdpReceiver(const CUdpReceiver&) = delete;
    CUdpReceiver& operator=(const CUdpReceiver&) = delete;

    bool Create();
    // Binds to the port on every local address with address reuse, allows
    // broadcasts and sets the receive time-out.
    bool Bind(int port);
    // Bytes received (a longer datagram is cut to size), or -1 on a null
    // buffer, a time-out or any other error.
    int Receive(std::uint8_t* buffer, int size) override;
    bool Close();
    // Drops the datagrams already waiting, without blocking: after the PID
    // filter changes they carry what it passed before. Returns how many.
    int Discard() override;

    // The network interface Bind restricts the socket to; "" for every one.
    // Starts as StreamInterface() chose.
    void SetInterface(std::string name) { m_interface = std::move(name); }
    // Lets the next receives wait at most ms (never longer than the
    // receiver's own time-out); Bind sets the full time-out again.
    bool LimitWait(int ms);

    bool IsOpen() const { return m_socket >= 0; }
    const std::string& LastError() const { return m_lastError; }

  private:
    void Fail(const char* format, int error, bool tell);

    INotices& m_notices;
    int m_receiveTimeoutMs;
    int m_socket = -1;
    std::string m_lastError;
    std::string m_interface;
};

}  // namespace orbix
