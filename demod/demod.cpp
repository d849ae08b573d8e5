#include "demod/demod.h"

#include "card/card_access.h"
#include "platform/clock.h"

namespace orbix {

CDemod::CDemod() {
    for (int i = 0; i < kRegisterCount; ++i) m_cache[i].store(kRegisterTable[i].initialSlow);
}

CDemod::~CDemod() {
    if (m_access == nullptr) return;
    m_access->SetToneEnable(false);
    m_access->SetLnbSelect(0);
}

int CDemod::WriteReg(int index, std::uint8_t value) {
    m_cache[index].store(value);
    if (m_access == nullptr) return 1;
    return m_access->WriteDemodRegister(kRegisterTable[index].address, value);
}

int CDemod::ReadReg(int index) {
    if (m_access == nullptr) return -1;
    const std::uint16_t result = m_access->ReadDemodRegister(kRegisterTable[index].address);
    const auto data = static_cast<std::uint8_t>(result & 0xFF);
    m_cache[index].store(data);
    return (result >> 8) != 0 ? -1 : data;
}

int CDemod::WriteRegs(int first, int count) {
    int acks = 0;
    for (int i = first; i < first + count; ++i) acks |= WriteReg(i, m_cache[i].load());
    return acks;
}

int CDemod::ReadRegs(int first, int count) {
    int result = 0;
    for (int i = first; i < first + count; ++i) {
        if (ReadReg(i) == -1) result = -1;
    }
    return result;
}

void CDemod::SetFieldValue(int field, int value) {
    const FieldEntry& f = kFieldTable[field];
    if (f.isSigned != 0 && value <= 0) value += 1 << f.width;
    const auto old = m_cache[f.reg].load();
    const auto shifted = static_cast<std::uint8_t>((value << f.position) & f.mask);
    m_cache[f.reg].store(static_cast<std::uint8_t>(shifted | (old & ~f.mask)));
}

int CDemod::GetFieldValue(int field) const {
    const FieldEntry& f = kFieldTable[field];
    int v = (m_cache[f.reg].load() & f.mask) >> f.position;
    if (f.isSigned != 0 && v >= (1 << (f.width - 1))) v -= 1 << f.width;
    return v;
}

int CDemod::WriteField(int field, int value) {
    const int r = kFieldTable[field].reg;
    ReadReg(r);
    SetFieldValue(field, value);
    return WriteReg(r, m_cache[r].load());
}

int CDemod::ReadField(int field) {
    ReadReg(kFieldTable[field].reg);
    return GetFieldValue(field);
}

void CDemod::Init(bool useInitialValues) {
    m_quartz = kQuartz;
    const bool slow = m_symbolRateSetting < 8000;
    for (int i = 0; i < kRegisterCount; ++i) {
        const RegisterEntry& r = kRegisterTable[i];
        WriteReg(i, useInitialValues ? (slow ? r.initialSlow : r.initialFast) : r.resetValue);
    }
    Wait(1);
}

bool CDemod::CheckId() { return ReadReg(reg::ID) == 0xA1; }

void CDemod::Wait(int ms) {
    if (m_access != nullptr) m_access->Wait(ms);
}

bool CDemod::Stopping() const { return m_stop != nullptr && m_stop->Requested(); }

void CDemod::Sleep(int ms) {
    if (m_access == nullptr) return;
    if (m_stop != nullptr) {
        m_access->Clock().SleepUnlessStopped(ms, *m_stop);
    } else {
        m_access->Clock().SleepMs(ms);
    }
}

}  // namespace orbix
