#pragma once

#include <atomic>
#include <string>
#include <thread>

namespace orbix {

// The aiming tick: a short click on the default sound device whose rate
// rises with the signal quality, as a dish meter's does. Written by a thread
// of its own (the device's pace keeps the time); off until started.
class CTickSound {
  public:
    CTickSound() = default;
    ~CTickSound();
    CTickSound(const CTickSound&) = delete;
    CTickSound& operator=(const CTickSound&) = delete;

    // False with the reason (UTF-8) where no sound device can be opened.
    bool Start(std::string& error);
    void Stop();
    bool Running() const { return m_thread.joinable(); }
    // 0..100; any thread.
    void SetQuality(int quality) { m_quality.store(quality); }

  private:
    void Run();

    void* m_pcm = nullptr;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_quality{0};
    std::thread m_thread;
};

}  // namespace orbix
