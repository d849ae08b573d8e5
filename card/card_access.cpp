#include "card/card_access.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "card/card_texts.h"

namespace orbix {
namespace {

// The first image-size bytes of the file; false when the file cannot be read
// or is shorter than an image.
// The image into image; false with the reason in plain words.
bool ReadImage(const std::string& path, std::vector<std::uint8_t>& image, std::string& reason) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        reason = std::strerror(errno);
        return false;
    }
    image.resize(kConfigurationImageSize);
    const std::size_t got = std::fread(image.data(), 1, image.size(), file);
    const bool failed = std::ferror(file) != 0;
    if (failed) reason = std::strerror(errno);
    std::fclose(file);
    if (!failed && got != image.size())
        reason = "shorter than " + std::to_string(image.size()) + " bytes";
    return !failed && got == image.size();
}

}  // namespace

// Holds the access lock for one scope.
class CCardAccess::CHold {
  public:
    explicit CHold(CAccessEvent& lock) : m_lock(lock) { m_lock.Acquire(); }
    ~CHold() { m_lock.Release(); }
    CHold(const CHold&) = delete;
    CHold& operator=(const CHold&) = delete;

  private:
    CAccessEvent& m_lock;
};

CCardAccess::CCardAccess(IPortIo& ports, IClock& clock, INotices& notices)
    : m_clock(clock), m_notices(notices), m_bus(ports) {}

CCardAccess::~CCardAccess() = default;

void CCardAccess::SetIoBase(std::uint16_t base) {
    m_ioBase = base;
    m_bus.SetIoBase(base);
}

std::uint16_t CCardAccess::ReadRegister(std::uint8_t device, std::uint8_t reg) {
    m_bus.Stop();
    m_bus.Start();
    m_bus.WriteByte(device);
    std::uint8_t acks = m_bus.ReadAck();
    m_bus.WriteByte(reg);
    acks |= m_bus.ReadAck();
    m_bus.Stop();
    m_bus.IdleClocks();
    m_bus.Start();
    m_bus.WriteByte(static_cast<std::uint8_t>(device + 1));
    acks |= m_bus.ReadAck();
    const std::uint8_t data = m_bus.ReadByte();
    m_bus.SendNack();
    m_bus.Stop();
    m_bus.IdleClocks();
    return static_cast<std::uint16_t>(acks << 8 | data);
}

std::uint8_t CCardAccess::WriteRegister(std::uint8_t device, std::uint8_t reg, std::uint8_t value) {
    m_bus.Stop();
    m_bus.Start();
    std::uint8_t acks = 0;
    for (std::uint8_t b : {device, reg, value}) {
        m_bus.WriteByte(b);
        acks |= m_bus.ReadAck();
    }
    m_bus.Stop();
    m_bus.IdleClocks();
    return acks;
}

std::uint8_t CCardAccess::WriteDemodRegister(std::uint8_t reg, std::uint8_t value) {
    CHold hold(m_lock);
    return WriteRegister(kDemodAddress, reg, value);
}

std::uint16_t CCardAccess::ReadDemodRegister(std::uint8_t reg) {
    CHold hold(m_lock);
    return ReadRegister(kDemodAddress, reg);
}

std::uint8_t CCardAccess::WriteTunerBytes(const TunerBytes& bytes) {
    CHold hold(m_lock);
    m_bus.Start();
    m_bus.WriteByte(kTunerAddress);
    std::uint8_t acks = m_bus.ReadAck();
    for (std::uint8_t b : bytes) {
        m_bus.WriteByte(b);
        acks |= m_bus.ReadAck();
    }
    m_bus.Stop();
    m_bus.IdleClocks();
    return acks;
}

bool CCardAccess::WritePidTable(const PidTableBytes& bytes) {
    constexpr int kPasses = 4;
    bool verified = false;
    {
        CHold hold(m_lock);
        for (int pass = 0; pass < kPasses && !verified; ++pass) {
            for (int r = 0; r < kPidTableBytes; ++r) {
                WriteRegister(kLogicAddress, static_cast<std::uint8_t>(r), bytes[r]);
            }
            verified = true;
            for (int r = 0; r < kPidTableBytes && verified; ++r) {
                // a missing acknowledge makes the value 0x100 or more, so it
                // never matches a byte
                verified = ReadRegister(kLogicAddress, static_cast<std::uint8_t>(r)) == bytes[r];
            }
        }
    }
    return verified;
}

void CCardAccess::SetLnbSelect(std::uint8_t bits) {
    std::uint8_t shadow = m_control.load();
    while (!m_control.compare_exchange_weak(
        shadow, static_cast<std::uint8_t>((shadow & ~3u) | (bits & 3u)))) {
    }
    CHold hold(m_lock);
    WriteRegister(kLogicAddress, kLogicControlRegister, m_control.load());
}

void CCardAccess::RewriteControl() { SetLnbSelect(m_control.load() & 3u); }

void CCardAccess::SetToneEnable(bool on) {
    CHold hold(m_lock);
    const auto shadow = static_cast<std::uint8_t>((on ? 4u : 0u) | (m_control.load() & 0x0Bu));
    m_control.store(shadow);
    WriteRegister(kLogicAddress, kLogicControlRegister, shadow);
}

void CCardAccess::PulseControlBit3(int ms) {
    CHold hold(m_lock);
    const std::uint8_t shadow = m_control.load();
    WriteRegister(kLogicAddress, kLogicControlRegister, static_cast<std::uint8_t>(shadow | 8u));
    m_clock.SleepMs(ms);
    WriteRegister(kLogicAddress, kLogicControlRegister, static_cast<std::uint8_t>(shadow & 0xF7u));
    m_clock.SleepMs(ms);
}

bool CCardAccess::CheckLogicId() {
    CHold hold(m_lock);
    return (ReadRegister(kLogicAddress, kLogicControlRegister) & 0xFF) == kLogicIdentity;
}

bool CCardAccess::LoadConfiguration() {
    // Read the whole image before taking the lock: a short or missing file
    // must leave the card exactly as it was.
    std::vector<std::uint8_t> image;
    std::string reason;
    if (!ReadImage(m_configPath, image, reason)) {
        // The box keeps its fixed text; the file and the cause go beside it.
        std::fprintf(stderr, "%s: %s\n", m_configPath.c_str(), reason.c_str());
        m_notices.Tell(texts::ConfigurationReadError());
        return false;
    }
    CHold hold(m_lock);
    m_bus.Start();
    m_bus.WriteByteRaw(0xED);
    // one clock pulse with the data line low closes the header
    constexpr std::array<std::uint8_t, 3> kHeaderPulse{0x08, 0x09, 0x08};
    for (std::uint8_t v : kHeaderPulse) {
        m_bus.Put(v);
        m_bus.Delay(1);
    }
    for (std::uint8_t b : image) m_bus.WriteByteRaw(b);
    for (int i = 0; i < 100; ++i) m_bus.IdleClocks();
    m_bus.Stop();
    m_bus.IdleClocks();
    return true;
}

void CCardAccess::Wait(int /*ms*/) { m_clock.SleepMs(1); }

}  // namespace orbix
