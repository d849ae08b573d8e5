#include "sim/front_end.h"

#include <algorithm>
#include <cmath>

#include "sim/bus_device.h"
#include "sim/sim_card.h"

namespace orbix::sim {
namespace {

constexpr double kNoiseFloorDbm = -70;
constexpr double kTunerLowMhz = 950;
constexpr double kTunerHighMhz = 2150;
constexpr double kKuLowLoMhz = 9750;
constexpr double kKuHighLoMhz = 10600;
constexpr double kCBandLoMhz = 5150;

// How far off the chip's loops still pull in, as fractions of the symbol
// rate, and how close the symbol-rate setting must be.
constexpr double kTimingCapture = 0.30;
constexpr double kCarrierCapture = 0.02;
constexpr double kSymbolRateTolerance = 0.01;
constexpr double kTimingMinCnDb = 1.0;
constexpr double kCarrierMinCnDb = 2.0;
// C/N needed for error-free data, by FEC rate.
constexpr double kFecThresholdDb[] = {3.0, 4.5, 5.5, 6.5, 7.0};

struct Band {
    double lowMhz;
    double highMhz;
};
constexpr Band kKuInput{10700, 12750};
constexpr Band kCInput{3400, 4200};

}  // namespace

struct CSimFrontEnd::Candidate {
    double ifHz;
    bool inverted;  // as it reaches the demodulator
};

class CSimFrontEnd::CDemodPort final : public IBusDevice {
  public:
    explicit CDemodPort(std::shared_ptr<CSimFrontEnd> owner)
        : m_keep(std::move(owner)), m_owner(*m_keep) {}
    bool Select(bool read) override {
        std::lock_guard lock(m_owner.m_mutex);
        if (m_owner.SilenceDue()) m_owner.m_demod.SetSilent(true);
        return m_owner.m_demod.Select(read);
    }
    bool WriteByte(std::uint8_t value) override {
        std::lock_guard lock(m_owner.m_mutex);
        return m_owner.m_demod.WriteByte(value);
    }
    std::shared_ptr<CSimFrontEnd> Owner() const { return m_keep; }
    std::uint8_t ReadByte() override {
        std::lock_guard lock(m_owner.m_mutex);
        return m_owner.m_demod.ReadByte(
            [this](const ChipSettings& s) { return m_owner.Measure(s, nullptr); });
    }
    void OnBusStart() override {
        std::lock_guard lock(m_owner.m_mutex);
        m_owner.m_demod.OnBusStart();
    }
    void OnBusStop() override {
        std::lock_guard lock(m_owner.m_mutex);
        m_owner.m_demod.OnBusStop();
    }

  private:
    std::shared_ptr<CSimFrontEnd> m_keep;
    CSimFrontEnd& m_owner;
};

class CSimFrontEnd::CTunerPort final : public IBusDevice {
  public:
    explicit CTunerPort(std::shared_ptr<CSimFrontEnd> owner)
        : m_keep(std::move(owner)), m_owner(*m_keep) {}
    bool Select(bool read) override {
        std::lock_guard lock(m_owner.m_mutex);
        return m_owner.m_tuner.Select(read, m_owner.m_demod.RepeaterOpen());
    }
    bool WriteByte(std::uint8_t value) override {
        std::lock_guard lock(m_owner.m_mutex);
        return m_owner.m_tuner.WriteByte(value);
    }
    std::uint8_t ReadByte() override { return 0xFF; }

  private:
    std::shared_ptr<CSimFrontEnd> m_keep;
    CSimFrontEnd& m_owner;
};

CSimFrontEnd::CSimFrontEnd(Sky sky, IClock& clock)
    : m_sky(std::move(sky)), m_clock(clock), m_startMs(clock.NowMs()) {
    m_tuner.SetAbsent(m_sky.faults.tunerAbsent);
}

std::shared_ptr<CSimFrontEnd> CSimFrontEnd::Create(Sky sky, IClock& clock) {
    return std::make_shared<CSimFrontEnd>(std::move(sky), clock);
}

void CSimFrontEnd::AttachTo(CSimCard& card) {
    CCardLogicModel& logic = card.Logic();
    SetControlSource([&logic] { return logic.Control(); });
    // The ports share ownership of the front end, so it lives as long as the
    // card keeps them on its bus.
    card.AttachBusDevice(0xD0, std::make_shared<CDemodPort>(shared_from_this()));
    card.AttachBusDevice(0xC0, std::make_shared<CTunerPort>(shared_from_this()));
    if (!m_sky.faults.card.Empty()) card.ScheduleFaults(m_sky.faults.card, m_clock);
}

std::shared_ptr<CSimFrontEnd> CSimFrontEnd::AttachedTo(const CSimCard& card) {
    const auto* port = dynamic_cast<const CDemodPort*>(card.BusDevice(0xD0));
    return port == nullptr ? nullptr : port->Owner();
}

void CSimFrontEnd::SetControlSource(std::function<std::uint8_t()> control) {
    std::lock_guard lock(m_mutex);
    m_control = std::move(control);
}

std::optional<SkyTransponder> CSimFrontEnd::LockedTransponder() const {
    std::lock_guard lock(m_mutex);
    if (m_demod.Silent() || SilenceDue()) return std::nullopt;
    const SkyTransponder* locked = nullptr;
    const ChipStatus status = Measure(m_demod.Settings(), &locked);
    if (!status.data || locked == nullptr) return std::nullopt;
    return *locked;
}

void CSimFrontEnd::StartFade(double dropDb, std::int64_t durationMs) {
    std::lock_guard lock(m_mutex);
    m_fadeDropDb = dropDb;
    m_fadeEndMs = m_clock.NowMs() + durationMs;
}

void CSimFrontEnd::SetDemodSilent(bool silent) {
    std::lock_guard lock(m_mutex);
    m_demod.SetSilent(silent);
}

void CSimFrontEnd::SetTunerAbsent(bool absent) {
    std::lock_guard lock(m_mutex);
    m_tuner.SetAbsent(absent);
}

std::int64_t CSimFrontEnd::TunerFrequencyKHz() const {
    std::lock_guard lock(m_mutex);
    return m_tuner.FrequencyKHz();
}

std::uint64_t CSimFrontEnd::TunerProgrammings() const {
    std::lock_guard lock(m_mutex);
    return m_tuner.Programmings();
}

double CSimFrontEnd::FadeDb() const {
    const std::int64_t now = m_clock.NowMs();
    double drop = now < m_fadeEndMs ? m_fadeDropDb : 0.0;
    for (const ScheduledFade& f : m_sky.faults.fades) {
        const std::int64_t start = m_startMs + f.atMs;
        if (now >= start && now < start + f.durationMs) drop = std::max(drop, f.dropDb);
    }
    return drop;
}

bool CSimFrontEnd::SilenceDue() const {
    const auto& at = m_sky.faults.demodSilentAtMs;
    return at && m_clock.NowMs() >= m_startMs + *at;
}

std::optional<CSimFrontEnd::Candidate> CSimFrontEnd::Receive(const SkySatellite& satellite,
                                                             const SkyTransponder& tp,
                                                             std::uint8_t control) const {
    const int select = control & 3;
    const bool tone = (control & 4) != 0;
    const Polarisation wanted = select == 2 ? Polarisation::Vertical : Polarisation::Horizontal;
    if ((select != 2 && select != 3) || tp.polarisation != wanted) return std::nullopt;
    double ifMhz = 0;
    bool inverted = tp.inverted;
    const double f = tp.frequencyMhz;
    switch (satellite.lnb) {
        case LnbKind::None:
            return std::nullopt;
        case LnbKind::UniversalKu:
            if (f < kKuInput.lowMhz || f > kKuInput.highMhz) return std::nullopt;
            ifMhz = f - (tone ? kKuHighLoMhz : kKuLowLoMhz);
            break;
        case LnbKind::CBand:
            if (f < kCInput.lowMhz || f > kCInput.highMhz) return std::nullopt;
            ifMhz = kCBandLoMhz - f;
            inverted = !inverted;  // the oscillator sits above the signal
            break;
    }
    if (ifMhz < kTunerLowMhz || ifMhz > kTunerHighMhz) return std::nullopt;
    return Candidate{ifMhz * 1e6, inverted};
}

ChipStatus CSimFrontEnd::Measure(const ChipSettings& settings,
                                 const SkyTransponder** locked) const {
    ChipStatus status;
    status.powerDbm = kNoiseFloorDbm;
    if (m_tuner.Absent() || !m_tuner.Tuned() || !m_control) return status;
    const std::uint8_t control = m_control();
    const double fade = FadeDb();
    const double tunerHz = static_cast<double>(m_tuner.FrequencyKHz()) * 1000.0;
    const double bandwidthHz = static_cast<double>(m_tuner.BandwidthKHz()) * 1000.0;
    const SkyTransponder* best = nullptr;
    Candidate bestCandidate{};
    double bestResidual = 0;
    for (const SkySatellite& satellite : m_sky.satellites) {
        for (const SkyTransponder& tp : satellite.transponders) {
            const auto c = Receive(satellite, tp, control);
            if (!c || std::abs(c->ifHz - tunerHz) > bandwidthHz) continue;
            status.powerDbm = std::max(status.powerDbm, tp.levelDbm - fade);
            const double residual = c->ifHz - (tunerHz + settings.derotatorHz);
            if (best == nullptr || std::abs(residual) < std::abs(bestResidual)) {
                best = &tp;
                bestCandidate = *c;
                bestResidual = residual;
            }
        }
    }
    if (best == nullptr || !settings.running) return status;
    const double rate = best->symbolRateKs * 1000.0;
    status.cnDb = best->cnDb - fade;
    status.timing = std::abs(bestResidual) <= kTimingCapture * rate &&
                    std::abs(settings.symbolRate / rate - 1.0) <= kSymbolRateTolerance &&
                    status.cnDb >= kTimingMinCnDb;
    status.carrier = status.timing && std::abs(bestResidual) <= kCarrierCapture * rate &&
                     status.cnDb >= kCarrierMinCnDb;
    const int fec = static_cast<int>(best->fec);
    status.data = status.carrier && settings.iqNormal != bestCandidate.inverted &&
                  status.cnDb >= kFecThresholdDb[fec] && ((settings.rateMask >> fec) & 1) != 0;
    status.punctureRate = fec;
    status.convergedDerotatorHz = settings.derotatorHz + bestResidual;
    if (locked != nullptr) *locked = best;
    return status;
}

}  // namespace orbix::sim
