#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace orbix {

// A stop request for a worker. Setting it wakes every pause taken through a
// clock, so a worker told to stop never sits out a long sleep.
class CStopSignal {
  public:
    void Request() {
        {
            std::lock_guard lock(m_mutex);
            m_stop.store(true);
        }
        m_wake.notify_all();
    }
    void Reset() { m_stop.store(false); }
    bool Requested() const { return m_stop.load(); }

    // Waits up to ms milliseconds of real time; true when a stop was requested.
    bool WaitFor(std::int64_t ms);

  private:
    std::atomic<bool> m_stop{false};
    std::mutex m_mutex;
    std::condition_variable m_wake;
};

// Sleeps and time. Production code uses the real clock; tests use a virtual
// clock whose pauses cost nothing and whose time can be read back exactly.
class IClock {
  public:
    virtual ~IClock() = default;
    virtual void SleepMs(std::int64_t ms) = 0;
    // Pauses like SleepMs but returns early, with false, once stop is requested.
    virtual bool SleepUnlessStopped(std::int64_t ms, CStopSignal& stop) = 0;
    // Monotonic milliseconds.
    virtual std::int64_t NowMs() const = 0;
};

class CRealClock final : public IClock {
  public:
    void SleepMs(std::int64_t ms) override;
    bool SleepUnlessStopped(std::int64_t ms, CStopSignal& stop) override;
    std::int64_t NowMs() const override;
};

// Time that only moves when someone sleeps. Thread-safe; each sleep advances
// the shared time by its own length.
class CVirtualClock final : public IClock {
  public:
    void SleepMs(std::int64_t ms) override;
    bool SleepUnlessStopped(std::int64_t ms, CStopSignal& stop) override;
    std::int64_t NowMs() const override { return m_now.load(); }

    void Advance(std::int64_t ms) { m_now.fetch_add(ms); }
    std::int64_t SleptMs() const { return m_slept.load(); }
    std::int64_t SleepCount() const { return m_sleeps.load(); }

  private:
    std::atomic<std::int64_t> m_now{0};
    std::atomic<std::int64_t> m_slept{0};
    std::atomic<std::int64_t> m_sleeps{0};
};

// The process's real clock.
IClock& RealClock();

}  // namespace orbix
