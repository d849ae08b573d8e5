#include "sim/sim_tuner.h"

namespace orbix::sim {

bool CSimTuner::Select(bool read, bool repeaterOpen) {
    m_received = 0;
    return !read && repeaterOpen && !m_absent;
}

bool CSimTuner::WriteByte(std::uint8_t value) {
    if (m_received >= 4) return false;
    m_bytes[m_received++] = value;
    if (m_received == 4) Apply();
    return true;
}

void CSimTuner::Apply() {
    const auto& b = m_bytes;
    const std::int64_t divider = ((b[0] & 0x7F) << 8) | b[1] | ((b[2] & 0x60) << 10);
    m_frequencyKHz = divider * kStepKHz;
    const int code = ((b[2] >> 4) & 1) | (((b[2] >> 3) & 1) << 1) | (((b[3] >> 3) & 1) << 2) |
                     (((b[3] >> 2) & 1) << 3);
    m_bandwidthKHz = (code >= 2 && code <= 10) ? 10000 + (code - 2) * 2500 : 30000;
    m_tuned = true;
    ++m_programmings;
}

}  // namespace orbix::sim
