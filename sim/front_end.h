#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

#include "platform/clock.h"
#include "sim/sim_demod.h"
#include "sim/sim_tuner.h"
#include "sim/sky.h"

namespace orbix::sim {

class CSimCard;

// The receiving end of the simulated card: a dish LNB per satellite of the
// sky, the tuner and the demodulator. The LNB supply and the 22 kHz tone
// come from the card logic's control register (bits 1..0: 2 vertical,
// 3 horizontal, anything else off; bit 2: tone). The chip locks when, and
// only when, the physics agree: supply and polarisation, the band the tone
// selects, the tuned frequency plus derotator within capture of a carrier,
// the symbol rate within tolerance, the right IQ sense and enough C/N for
// the FEC rate.
//
// Deterministic: time only enters through the injected clock (for fades).
// Thread-safe: the bus thread and readers such as the stream output meet
// under one lock.
class CSimFrontEnd : public std::enable_shared_from_this<CSimFrontEnd> {
  public:
    static std::shared_ptr<CSimFrontEnd> Create(Sky sky, IClock& clock = RealClock());

    // Puts the demodulator (0xD0) and the tuner (0xC0) on the card's bus and
    // reads the LNB control from the card's logic; schedules the sky's card
    // faults on the card, timed on this front end's clock. The card must
    // outlive every later call.
    void AttachTo(CSimCard& card);
    // The front end attached to the card, or nullptr when its bus holds
    // another demodulator.
    static std::shared_ptr<CSimFrontEnd> AttachedTo(const CSimCard& card);
    // Where the LNB control byte comes from (AttachTo sets the card logic).
    void SetControlSource(std::function<std::uint8_t()> control);

    // The sky transponder the demodulator is locked to right now, if any.
    std::optional<SkyTransponder> LockedTransponder() const;

    // Fault injections, all off by default (a sky file may schedule some).
    // C/N and level drop by dropDb for durationMs of the clock's time.
    void StartFade(double dropDb, std::int64_t durationMs);
    void SetDemodSilent(bool silent);
    void SetTunerAbsent(bool absent);

    const Sky& GetSky() const { return m_sky; }
    std::int64_t TunerFrequencyKHz() const;
    std::uint64_t TunerProgrammings() const;

    CSimFrontEnd(Sky sky, IClock& clock);

  private:
    class CDemodPort;
    class CTunerPort;
    struct Candidate;

    ChipStatus Measure(const ChipSettings& settings, const SkyTransponder** locked) const;
    std::optional<Candidate> Receive(const SkySatellite& satellite, const SkyTransponder& tp,
                                     std::uint8_t control) const;
    double FadeDb() const;
    // The sky's scheduled demodulator silence has come.
    bool SilenceDue() const;

    const Sky m_sky;
    IClock& m_clock;
    mutable std::mutex m_mutex;
    std::function<std::uint8_t()> m_control;
    CSimDemod m_demod;
    CSimTuner m_tuner;
    double m_fadeDropDb = 0;
    std::int64_t m_fadeEndMs = 0;
    const std::int64_t m_startMs;
};

}  // namespace orbix::sim
