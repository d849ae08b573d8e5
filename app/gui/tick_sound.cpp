#include "app/gui/tick_sound.h"

#include <array>
#include <cmath>
#include <cstdint>

#include "view/meter_scene.h"

#if defined(ORBIX_HAVE_ALSA)
#include <alsa/asoundlib.h>
#endif

namespace orbix {
namespace {

constexpr unsigned kRate = 16000;
constexpr int kChunkFrames = 160;  // 10 ms
constexpr int kTickFrames = 240;   // 15 ms
constexpr double kTickHz = 1500.0;

}  // namespace

CTickSound::~CTickSound() { Stop(); }

#if defined(ORBIX_HAVE_ALSA)

bool CTickSound::Start(std::string& error) {
    if (Running()) return true;
    snd_pcm_t* pcm = nullptr;
    int rc = snd_pcm_open(&pcm, "default", SND_PCM_STREAM_PLAYBACK, 0);
    if (rc == 0)
        rc = snd_pcm_set_params(pcm, SND_PCM_FORMAT_S16_LE, SND_PCM_ACCESS_RW_INTERLEAVED, 1, kRate,
                                1, 100'000);
    if (rc < 0) {
        error = std::string("no sound device: ") + snd_strerror(rc);
        if (pcm) snd_pcm_close(pcm);
        return false;
    }
    m_pcm = pcm;
    m_stop.store(false);
    m_thread = std::thread([this] { Run(); });
    return true;
}

void CTickSound::Stop() {
    m_stop.store(true);
    if (m_thread.joinable()) m_thread.join();
    if (m_pcm) snd_pcm_close(static_cast<snd_pcm_t*>(m_pcm));
    m_pcm = nullptr;
}

// Silence with a click every TickIntervalMs of the quality; each click a
// short tone that fades out, so it does not crack.
void CTickSound::Run() {
    auto* pcm = static_cast<snd_pcm_t*>(m_pcm);
    std::array<std::int16_t, kChunkFrames> chunk{};
    long sinceTick = 1'000'000;
    while (!m_stop.load()) {
        const long interval = TickIntervalMs(m_quality.load()) * static_cast<long>(kRate) / 1000;
        for (int i = 0; i < kChunkFrames; ++i, ++sinceTick) {
            if (sinceTick >= interval) sinceTick = 0;
            double v = 0;
            if (sinceTick < kTickFrames) {
                const double t = static_cast<double>(sinceTick) / kRate;
                const double fade = 1.0 - static_cast<double>(sinceTick) / kTickFrames;
                v = 9000.0 * fade * std::sin(2 * M_PI * kTickHz * t);
            }
            chunk[static_cast<std::size_t>(i)] = static_cast<std::int16_t>(v);
        }
        const snd_pcm_sframes_t written = snd_pcm_writei(pcm, chunk.data(), kChunkFrames);
        if (written < 0 && snd_pcm_recover(pcm, static_cast<int>(written), 1) < 0) break;
    }
    snd_pcm_drop(pcm);
}

#else

bool CTickSound::Start(std::string& error) {
    error = "built without sound";
    return false;
}
void CTickSound::Stop() {}
void CTickSound::Run() {}

#endif

}  // namespace orbix
