#pragma once

#include <cstdint>
#include <deque>
#include <map>

#include "sim/bus_device.h"
#include "sim/card_logic_model.h"

namespace orbix::testing {

// The card logic with scripted answers per register, to make one reading
// among several go wrong: each read of a register with a script takes its
// next entry, and false spoils the byte (the identity reads 0x00, any other
// register its complement). Reads are counted per register.
struct CScriptedLogic final : sim::IBusDevice {
    explicit CScriptedLogic(sim::CCardLogicModel& l) : logic(l) {}
    bool Select(bool read) override {
        pointerNext = true;
        return logic.Select(read);
    }
    bool WriteByte(std::uint8_t value) override {
        pointer = pointerNext ? value : static_cast<std::uint8_t>(pointer + 1);
        pointerNext = false;
        return logic.WriteByte(value);
    }
    std::uint8_t ReadByte() override {
        const std::uint8_t reg = pointer++, b = logic.ReadByte();
        ++reads[reg];
        std::deque<bool>& script = answers[reg];
        const bool spoil = !script.empty() && !script.front();
        if (!script.empty()) script.pop_front();
        if (!spoil) return b;
        return reg == sim::CCardLogicModel::kControlRegister ? 0x00 : static_cast<std::uint8_t>(~b);
    }
    void OnBusStart() override { logic.OnBusStart(); }
    void OnBusStop() override { logic.OnBusStop(); }

    sim::CCardLogicModel& logic;
    std::map<std::uint8_t, std::deque<bool>> answers;
    std::map<std::uint8_t, int> reads;
    std::uint8_t pointer = 0;
    bool pointerNext = true;
};

}  // namespace orbix::testing
