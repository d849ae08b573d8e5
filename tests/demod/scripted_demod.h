#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <utility>
#include <vector>

#include "demod/demod.h"
#include "sim/bus_device.h"
#include "support/card_fixture.h"

namespace orbix::testing {

// A demodulator stand-in whose reads are scripted: each address answers the
// queued values in turn (the last one repeats), else what was last written.
// Every write is logged.
class CScriptedDemod final : public sim::IBusDevice {
  public:
    bool Select(bool) override {
        m_expectRegister = true;
        return !silent;
    }
    bool WriteByte(std::uint8_t value) override {
        if (m_expectRegister) {
            m_pointer = value & 0x7F;
            m_expectRegister = false;
        } else {
            writes.emplace_back(m_pointer, value);
            regs[m_pointer] = value;
            m_pointer = (m_pointer + 1) & 0x7F;
        }
        return true;
    }
    std::uint8_t ReadByte() override {
        const std::uint8_t address = m_pointer;
        m_pointer = (m_pointer + 1) & 0x7F;
        auto it = reads.find(address);
        if (it == reads.end() || it->second.empty()) return regs[address];
        const std::uint8_t v = it->second.front();
        if (it->second.size() > 1) it->second.pop_front();
        return v;
    }
    void OnBusStart() override { m_expectRegister = true; }

    // Values written to an address, in order.
    std::vector<std::uint8_t> WritesTo(std::uint8_t address) const {
        std::vector<std::uint8_t> out;
        for (const auto& [a, v] : writes) {
            if (a == address) out.push_back(v);
        }
        return out;
    }

    std::array<std::uint8_t, 0x80> regs{};
    std::map<std::uint8_t, std::deque<std::uint8_t>> reads;
    std::vector<std::pair<std::uint8_t, std::uint8_t>> writes;
    bool silent = false;

  private:
    std::uint8_t m_pointer = 0;
    bool m_expectRegister = true;
};

// The card with its logic loaded, a scripted demodulator on the bus and the
// driver on top.
struct ScriptedRig : CardFixture {
    ScriptedRig() {
        chip = std::make_shared<CScriptedDemod>();
        chip->regs[0] = 0xA1;
        card.AttachBusDevice(0xD0, chip);
        LoadLogic();
        demod.SetCardAccess(&access);
    }
    ~ScriptedRig() { demod.SetCardAccess(nullptr); }

    std::shared_ptr<CScriptedDemod> chip;
    CDemod demod;
};

}  // namespace orbix::testing
