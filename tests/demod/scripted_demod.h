#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <utility>
#include <vector>

#include "demod/demod.h"
#include "sim/bus_device.h"
#include "support/card_fixture.h"

namespace orbix::testing {

// What the driver did to the front end, in the order it did it.
struct FrontEndStep {
    enum Kind : char { Tuner = 'T', Derotator = 'D', Iq = 'I' };
    Kind kind;
    int value;  // kHz, derotator units, IQ bit
    bool operator==(const FrontEndStep&) const = default;
};

// A demodulator stand-in: each address answers its queued reads in turn (the
// last one repeats), else, for the status registers, what `status` says,
// else what was last written. Every write is logged; writes that move the
// front end (derotator pairs, the IQ bit) also go to the shared step log.
struct CScriptedDemod final : sim::IBusDevice {
    static constexpr std::uint8_t kIoCfg = 0x0C, kTlir = 0x17, kVStatus = 0x1B, kCfrM = 0x22,
                                  kCfrL = 0x23;

    bool Select(bool read) override {
        expectRegister = true;
        return !silent && !(read && unanswered.contains(pointer));
    }
    bool WriteByte(std::uint8_t value) override {
        if (expectRegister) {
            pointer = value & 0x7F;
            expectRegister = false;
            return true;
        }
        writes.emplace_back(pointer, value);
        regs[pointer] = value;
        if (pointer == kCfrL) steps->push_back({FrontEndStep::Derotator, Derotator()});
        if (pointer == kIoCfg) steps->push_back({FrontEndStep::Iq, value & 1});
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

    std::array<std::uint8_t, 0x80> regs{};
    std::map<std::uint8_t, std::deque<std::uint8_t>> reads;
    // Answers TLIR and VSTATUS from the front end's position.
    std::function<std::uint8_t(std::uint8_t reg)> status;
    std::set<std::uint8_t> unanswered;  // reads of these go unacknowledged
    std::vector<std::pair<std::uint8_t, std::uint8_t>> writes;
    std::shared_ptr<std::vector<FrontEndStep>> steps =
        std::make_shared<std::vector<FrontEndStep>>();
    bool silent = false;
    std::uint8_t pointer = 0;
    bool expectRegister = true;
};

// The tuner's synthesizer behind the repeater: logs each frequency it is
// given (N x 125 kHz).
struct CScriptedTuner final : sim::IBusDevice {
    bool Select(bool) override {
        bytes.clear();
        return true;
    }
    bool WriteByte(std::uint8_t value) override {
        bytes.push_back(value);
        if (bytes.size() == 4) {
            const int divider = (bytes[0] & 0x7F) << 8 | bytes[1] | (bytes[2] & 0x60) << 10;
            kHz = divider * 125;
            steps->push_back({FrontEndStep::Tuner, kHz});
        }
        return true;
    }
    std::uint8_t ReadByte() override { return 0xFF; }

    std::vector<std::uint8_t> bytes;
    int kHz = 0;
    std::shared_ptr<std::vector<FrontEndStep>> steps;
};

// The card with its logic loaded, a scripted demodulator and tuner on the
// bus and the driver on top, initialised unless asked not to be.
struct ScriptedRig : CardFixture {
    explicit ScriptedRig(bool init = true) {
        tuner->steps = chip->steps;
        card.AttachBusDevice(0xD0, chip);
        card.AttachBusDevice(0xC0, tuner);
        chip->regs[0] = 0xA1;
        LoadLogic();
        demod.SetCardAccess(&access);
        if (init) demod.Init(true);
    }
    std::vector<FrontEndStep>& Steps() { return *chip->steps; }

    std::shared_ptr<CScriptedDemod> chip = std::make_shared<CScriptedDemod>();
    std::shared_ptr<CScriptedTuner> tuner = std::make_shared<CScriptedTuner>();
    CDemod demod;
};

}  // namespace orbix::testing
