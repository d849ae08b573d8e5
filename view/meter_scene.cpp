#include "view/meter_scene.h"

#include <algorithm>

namespace orbix {
namespace {

int YOf(int percent, int height) {
    const int p = std::clamp(percent, 0, 100);
    return (height - 1) - p * (height - 1) / 100;
}

}  // namespace

MeterScene BuildMeterScene(const std::vector<SignalSample>& samples, std::int64_t spanMs,
                           CSignalHistory::Peak peak, int width, int height) {
    MeterScene scene;
    scene.width = width;
    scene.height = height;
    scene.peak = peak;
    scene.peakLevelY = YOf(peak.level, height);
    scene.peakQualityY = YOf(peak.quality, height);
    if (samples.empty() || width < 2 || height < 2 || spanMs <= 0) return scene;
    scene.any = true;
    scene.current = samples.back();
    const std::int64_t newest = samples.back().timeMs;
    const std::int64_t oldest = newest - spanMs;
    bool inLock = false;
    for (const SignalSample& s : samples) {
        if (s.timeMs < oldest) continue;
        const int x = static_cast<int>((s.timeMs - oldest) * (width - 1) / spanMs);
        scene.level.push_back({x, YOf(s.level, height)});
        scene.quality.push_back({x, YOf(s.quality, height)});
        if (s.locked && !inLock) scene.locked.push_back({x, x + 1});
        if (s.locked) scene.locked.back().to = x + 1;
        inLock = s.locked;
    }
    return scene;
}

int TickIntervalMs(int quality) { return 1000 - std::clamp(quality, 0, 100) * 9; }

}  // namespace orbix
