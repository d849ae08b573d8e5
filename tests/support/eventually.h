#pragma once

#include <chrono>
#include <thread>

namespace orbix::testing {

// Waits, in real time and up to 20 s, for a condition another thread brings about.
template <typename F>
bool Eventually(F condition) {
    for (int i = 0; i < 20000 && !condition(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return condition();
}

}  // namespace orbix::testing
