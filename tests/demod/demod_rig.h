#pragma once

#include <array>
#include <deque>
#include <functional>
#include <map>
#include <set>
#include <vector>

#include "demod/tune_worker.h"
#include "platform/text.h"
#include "sim/bus_device.h"
#include "sim/front_end.h"
#include "support/card_fixture.h"
#include "support/sky_record.h"

namespace orbix::testing {

// What the driver did to the front end, in the order it did it.
struct FrontEndStep {
    enum Kind : char { Tuner = 'T', Derotator = 'D', Iq = 'I' };
    Kind kind;
    int value;  // kHz, derotator units, IQ bit
    bool operator==(const FrontEndStep&) const = default;
    friend void PrintTo(const FrontEndStep& s, std::ostream* os) { *os << char(s.kind) << s.value; }
};

// A demodulator stand-in: each address answers its queued reads in turn (the
// last one repeats), else, for the status registers, what `status` says,
// else what was last written. Every write is logged; writes that move the
// front end (derotator pairs, the IQ bit) also go to the step log.
struct CScriptedDemod final : sim::IBusDevice {
    static constexpr std::uint8_t kIoCfg = 0x0C, kTlir = 0x17, kVStatus = 0x1B, kCfrM = 0x22,
                                  kCfrL = 0x23;
    explicit CScriptedDemod(std::vector<FrontEndStep>& s) : steps(s) { regs[0] = 0xA1; }

    bool Select(bool read) override {
        expectRegister = true;
        return !silent && !(read && unanswered.contains(pointer));
    }
    bool WriteByte(std::uint8_t value) override {
        if (std::exchange(expectRegister, false)) {
            pointer = value & 0x7F;
            return true;
        }
        writes.emplace_back(pointer, value);
        regs[pointer] = value;
        if (pointer == kCfrL) steps.push_back({FrontEndStep::Derotator, Derotator()});
        if (pointer == kIoCfg) steps.push_back({FrontEndStep::Iq, Iq()});
        pointer = (pointer + 1) & 0x7F;
        return true;
    }
    std::uint8_t ReadByte() override {
        auto& queue = reads[pointer];
        std::uint8_t v = regs[pointer];
        if (!queue.empty()) {
            v = queue.front();
            if (queue.size() > 1) queue.pop_front();
        } else if (status && (pointer == kTlir || pointer == kVStatus)) {
            v = status(pointer);
        }
        pointer = (pointer + 1) & 0x7F;
        return v;
    }
    // SFRH, SFRM, SFRL: the symbol rate as written.
    std::array<std::uint8_t, 3> SymbolRate() const { return {regs[0x1F], regs[0x20], regs[0x21]}; }
    std::int16_t Derotator() const {
        return static_cast<std::int16_t>(regs[kCfrM] << 8 | regs[kCfrL]);
    }
    int Iq() const { return regs[kIoCfg] & 1; }

    std::vector<FrontEndStep>& steps;
    std::array<std::uint8_t, 0x80> regs{};
    std::map<std::uint8_t, std::deque<std::uint8_t>> reads;
    std::function<std::uint8_t(std::uint8_t reg)> status;  // answers TLIR and VSTATUS
    std::set<std::uint8_t> unanswered;                     // reads of these go unacknowledged
    std::vector<std::pair<std::uint8_t, std::uint8_t>> writes;
    bool silent = false;
    std::uint8_t pointer = 0;
    bool expectRegister = true;
};

// The tuner's synthesizer behind the repeater: logs each frequency it is
// given (N x 125 kHz).
struct CScriptedTuner final : sim::IBusDevice {
    explicit CScriptedTuner(std::vector<FrontEndStep>& s) : steps(s) {}
    bool Select(bool) override {
        bytes.clear();
        return true;
    }
    bool WriteByte(std::uint8_t value) override {
        bytes.push_back(value);
        if (bytes.size() == 4) {
            kHz = ((bytes[0] & 0x7F) << 8 | bytes[1] | (bytes[2] & 0x60) << 10) * 125;
            steps.push_back({FrontEndStep::Tuner, kHz});
        }
        return true;
    }
    std::uint8_t ReadByte() override { return 0xFF; }

    std::vector<FrontEndStep>& steps;
    std::vector<std::uint8_t> bytes;
    int kHz = 0;
};

// The simulated card with its logic loaded and the demodulator driver on
// top, initialised unless asked not to be; virtual time throughout. Either a
// simulated front end in front of a sky, or the scripted chip and tuner.
struct DemodRig : CardFixture {
    explicit DemodRig(sim::Sky sky = sim::DefaultSky())
        : frontEnd(sim::CSimFrontEnd::Create(std::move(sky), clock)) {
        frontEnd->AttachTo(card);
        Start(true);
    }
    void Start(bool init) {
        LoadLogic();
        demod.SetCardAccess(&access);
        if (init) demod.Init(true);
    }
    // The sky transponder the chip is locked to, or "".
    std::string LockedName() const {
        return frontEnd->LockedTransponder().value_or(sim::SkyTransponder{}).name;
    }

    std::shared_ptr<sim::CSimFrontEnd> frontEnd;
    CDemod demod;

  protected:
    struct NoFrontEnd {};
    explicit DemodRig(NoFrontEnd) {}
};

struct ScriptedRig : DemodRig {
    explicit ScriptedRig(bool init = true) : DemodRig(NoFrontEnd{}) {
        card.AttachBusDevice(0xD0, chip);
        card.AttachBusDevice(0xC0, tuner);
        Start(init);
    }
    std::vector<FrontEndStep> steps;
    std::shared_ptr<CScriptedDemod> chip = std::make_shared<CScriptedDemod>(steps);
    std::shared_ptr<CScriptedTuner> tuner = std::make_shared<CScriptedTuner>(steps);
};

// The built-in sky, parsed once: satellite 0 is Sat-Ku, 1 is Sat-C.
inline const sim::Sky& BuiltInSky() {
    static const sim::Sky sky = sim::DefaultSky();
    return sky;
}
inline TransponderParams BuiltInRecord(std::size_t satellite, std::size_t transponder) {
    const auto& sat = BuiltInSky().satellites[satellite];
    return RecordFor(sat, sat.transponders[transponder]);
}

// Tunes a record the way the worker does; the found frequency in MHz, as
// the worker writes it back.
inline std::pair<int, double> TuneRecord(DemodRig& rig, const TransponderParams& r) {
    const TuneSettings s = SettingsFor(r);
    rig.demod.SetLnbSelect(s.lnbSelect);
    rig.demod.SetToneWanted(s.toneOn);
    const int locked = rig.demod.TuneTransponder(r.symbolRate, s.tunerFrequency);
    return {locked, CorrectedFrequency(r.frequency, s.lo, rig.demod.FoundFrequency())};
}

}  // namespace orbix::testing
