#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace orbix {

// One reading of the card monitor: level 0..100, quality 0..99, the lock.
struct SignalSample {
    std::int64_t timeMs = 0;  // the session clock's monotonic time
    int level = 0;
    int quality = 0;
    bool locked = false;
    bool operator==(const SignalSample&) const = default;
};

// The card monitor's readings of the last ten minutes at ten a second, for
// the dish-aiming meter. The monitor's thread records, the meter window and
// orbixctl watch read copies; every call takes the one lock, briefly.
class CSignalHistory {
  public:
    static constexpr std::size_t kDefaultCapacity = 10 * 60 * 10;

    explicit CSignalHistory(std::size_t capacity = kDefaultCapacity);

    // Keeps the sample, dropping the oldest once full, and raises the peak
    // hold when the level or the quality is above it.
    void Record(const SignalSample& sample);
    // The samples no older than spanMs before the newest, oldest first.
    std::vector<SignalSample> Recent(std::int64_t spanMs) const;
    std::vector<SignalSample> All() const;
    bool Latest(SignalSample& out) const;
    std::size_t Size() const;
    std::size_t Capacity() const { return m_capacity; }

    // The highest level and quality since the start or the last reset.
    struct Peak {
        int level = 0;
        int quality = 0;
        bool operator==(const Peak&) const = default;
    };
    Peak PeakHold() const;
    void ResetPeak();

    void Clear();

  private:
    std::vector<SignalSample> Copy(std::size_t newest) const;

    const std::size_t m_capacity;
    mutable std::mutex m_mutex;
    std::vector<SignalSample> m_ring;
    std::size_t m_next = 0;  // where the next sample goes once the ring is full
    Peak m_peak;
};

// The history as CSV, one line per sample: time in seconds from the first
// sample with one decimal, level, quality, locked as 1 or 0.
std::string SignalHistoryCsv(const std::vector<SignalSample>& samples);

}  // namespace orbix
