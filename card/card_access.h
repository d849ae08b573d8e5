#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <semaphore>
#include <string>

#include "card/serial_bus.h"
#include "platform/clock.h"
#include "platform/notices.h"
#include "platform/port_io.h"

namespace orbix {

// Bus addresses of the card's devices (write addresses; reads use + 1).
inline constexpr std::uint8_t kLogicAddress = 0xC4;
inline constexpr std::uint8_t kDemodAddress = 0xD0;
inline constexpr std::uint8_t kTunerAddress = 0xC0;
inline constexpr std::uint8_t kLogicControlRegister = 0x40;

// The card logic's configuration image, in the working directory.
inline constexpr char kConfigurationImage[] = "./conwh.ocx";
inline constexpr std::uint8_t kLogicIdentity = 0xB3;
inline constexpr int kPidTableBytes = 64;
inline constexpr int kConfigurationImageSize = 78422;

using PidTableBytes = std::array<std::uint8_t, kPidTableBytes>;
using TunerBytes = std::array<std::uint8_t, 4>;

// A single-permit lock that any thread may release, waited on without a
// time limit.
class CAccessEvent {
  public:
    void Acquire() { m_permit.acquire(); }
    void Release() { m_permit.release(); }

  private:
    std::binary_semaphore m_permit{1};
};

// The one object through which every thread reaches the devices on the
// card's bus. Locked operations take the access lock for their whole bus
// traffic; the unlocked ReadRegister and WriteRegister are for use inside
// them only.
class CCardAccess {
  public:
    CCardAccess(IPortIo& ports, IClock& clock, INotices& notices);
    virtual ~CCardAccess();
    CCardAccess(const CCardAccess&) = delete;
    CCardAccess& operator=(const CCardAccess&) = delete;

    void SetIoBase(std::uint16_t base);
    std::uint16_t IoBase() const { return m_ioBase; }
    // Where LoadConfiguration finds the image; kConfigurationImage by default.
    void SetConfigurationPath(std::string path) { m_configPath = std::move(path); }

    // Unlocked transactions. Read: acknowledge OR in the high byte, data in
    // the low byte. Write: the acknowledge OR (0 = all acknowledged).
    std::uint16_t ReadRegister(std::uint8_t device, std::uint8_t reg);
    std::uint8_t WriteRegister(std::uint8_t device, std::uint8_t reg, std::uint8_t value);

    // Locked operations.
    std::uint8_t WriteDemodRegister(std::uint8_t reg, std::uint8_t value);
    std::uint16_t ReadDemodRegister(std::uint8_t reg);
    std::uint8_t WriteTunerBytes(const TunerBytes& bytes);
    // Writes, verifies and retries (four passes in all). True when verified;
    // the caller tells the user otherwise, once it holds no lock.
    bool WritePidTable(const PidTableBytes& bytes);
    void SetLnbSelect(std::uint8_t bits);
    void RewriteControl();
    void SetToneEnable(bool on);
    void PulseControlBit3(int ms);
    bool CheckLogicId();
    // Streams the configuration image into the card logic. False, after
    // telling the user, when the image cannot be read; the card is then left
    // untouched.
    bool LoadConfiguration();

    // The demodulator's settling pause: 1 ms whatever is asked.
    void Wait(int ms);

    std::uint8_t ControlShadow() const { return m_control.load(); }
    IClock& Clock() { return m_clock; }
    INotices& Notices() { return m_notices; }

  private:
    class CHold;

    IClock& m_clock;
    INotices& m_notices;
    CSerialBus m_bus;
    CAccessEvent m_lock;
    std::uint16_t m_ioBase = 0;
    std::atomic<std::uint8_t> m_control{0};
    std::string m_configPath = kConfigurationImage;
};

}  // namespace orbix
