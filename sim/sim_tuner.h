#pragma once

#include <array>
#include <cstdint>

namespace orbix::sim {

// The tuner's frequency synthesizer (bus address 0xC0): write-only, four
// bytes per transaction, 125 kHz comparison step. It sits behind the
// demodulator's repeater, so it answers only while the repeater is open.
// Not thread-safe: the front end guards it.
class CSimTuner {
  public:
    static constexpr std::int64_t kStepKHz = 125;

    bool Select(bool read, bool repeaterOpen);
    bool WriteByte(std::uint8_t value);
    void OnBusStart() { m_received = 0; }

    void SetAbsent(bool absent) { m_absent = absent; }
    bool Absent() const { return m_absent; }
    // Nothing reaches the demodulator before the synthesizer was programmed.
    bool Tuned() const { return m_tuned; }
    std::int64_t FrequencyKHz() const { return m_frequencyKHz; }
    // The low-pass bandwidth chosen by the bandwidth code, kHz.
    std::int64_t BandwidthKHz() const { return m_bandwidthKHz; }
    std::uint64_t Programmings() const { return m_programmings; }

  private:
    void Apply();

    bool m_absent = false;
    bool m_tuned = false;
    int m_received = 0;
    std::array<std::uint8_t, 4> m_bytes{};
    std::int64_t m_frequencyKHz = 0;
    std::int64_t m_bandwidthKHz = 30000;
    std::uint64_t m_programmings = 0;
};

}  // namespace orbix::sim
