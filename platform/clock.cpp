#include "platform/clock.h"

#include <chrono>
#include <thread>

namespace orbix {

bool CStopSignal::WaitFor(std::int64_t ms) {
    std::unique_lock lock(m_mutex);
    return m_wake.wait_for(lock, std::chrono::milliseconds(ms), [this] { return m_stop.load(); });
}

void CRealClock::SleepMs(std::int64_t ms) {
    if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

bool CRealClock::SleepUnlessStopped(std::int64_t ms, CStopSignal& stop) {
    return !stop.WaitFor(ms);
}

std::int64_t CRealClock::NowMs() const {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void CVirtualClock::SleepMs(std::int64_t ms) {
    if (ms <= 0) return;
    m_now.fetch_add(ms);
    m_slept.fetch_add(ms);
    m_sleeps.fetch_add(1);
}

bool CVirtualClock::SleepUnlessStopped(std::int64_t ms, CStopSignal& stop) {
    if (stop.Requested()) return false;
    SleepMs(ms);
    // Let real threads make progress: a worker looping in virtual time must
    // not starve the test thread that is about to stop it.
    std::this_thread::yield();
    return !stop.Requested();
}

IClock& RealClock() {
    static CRealClock clock;
    return clock;
}

}  // namespace orbix
