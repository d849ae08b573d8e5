#pragma once

#include <cstdint>
#include <vector>

#include "platform/port_io.h"

namespace orbix {

// One port access as seen on the bus.
struct PortAccess {
    enum class Kind : std::uint8_t { In8, Out8, In32, Out32 };
    Kind kind;
    std::uint16_t port;
    std::uint32_t value;  // written value, or the value that was read

    bool operator==(const PortAccess&) const = default;
};

// Passes every access on to another port I/O and keeps a log of it, so tests
// can check exact port sequences.
class CPortIoRecorder final : public IPortIo {
  public:
    explicit CPortIoRecorder(IPortIo& inner) : m_inner(inner) {}

    bool Enable(std::uint16_t first, std::uint16_t count) override {
        return m_inner.Enable(first, count);
    }
    void EnablingDone() override { m_inner.EnablingDone(); }
    std::uint8_t In8(std::uint16_t port) override {
        std::uint8_t v = m_inner.In8(port);
        Log(PortAccess::Kind::In8, port, v);
        return v;
    }
    void Out8(std::uint16_t port, std::uint8_t value) override {
        Log(PortAccess::Kind::Out8, port, value);
        m_inner.Out8(port, value);
    }
    std::uint32_t In32(std::uint16_t port) override {
        std::uint32_t v = m_inner.In32(port);
        Log(PortAccess::Kind::In32, port, v);
        return v;
    }
    void Out32(std::uint16_t port, std::uint32_t value) override {
        Log(PortAccess::Kind::Out32, port, value);
        m_inner.Out32(port, value);
    }

    const std::vector<PortAccess>& Log() const { return m_log; }
    void Clear() { m_log.clear(); }
    void SetRecording(bool on) { m_recording = on; }

  private:
    void Log(PortAccess::Kind kind, std::uint16_t port, std::uint32_t value) {
        if (m_recording) m_log.push_back({kind, port, value});
    }

    IPortIo& m_inner;
    std::vector<PortAccess> m_log;
    bool m_recording = true;
};

}  // namespace orbix
