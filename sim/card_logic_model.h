#pragma once

#include <array>
#include <cstdint>
#include <mutex>
#include <vector>

#include "sim/bus_device.h"

namespace orbix::sim {

// The card's logic device (bus address 0xC4). It is absent from the bus until
// a valid configuration image has been streamed into it; then register 0x40
// reads the identity 0xB3 and takes the control byte when written, and
// registers 0x00-0x3F hold the 32-slot PID table.
//
// What makes an image valid is this simulator's rule (the real logic has its
// own): it starts with kImageSyncWord and its last four bytes are the CRC-32
// of everything before them, little-endian.
class CCardLogicModel final : public IBusDevice {
  public:
    static constexpr std::size_t kImageSize = 78422;
    static constexpr std::array<std::uint8_t, 4> kImageSyncWord{0x4F, 0x52, 0x58, 0x4C};
    static constexpr std::uint8_t kIdentity = 0xB3;
    static constexpr std::uint8_t kControlRegister = 0x40;
    static constexpr int kStartUpClocks = 1600;

    bool Select(bool read) override;
    bool WriteByte(std::uint8_t value) override;
    std::uint8_t ReadByte() override;
    void OnBusStart() override { m_expectRegister = true; }

    // The configuration stream, fed by the bus model.
    void BeginConfiguration();
    void ConfigurationByte(std::uint8_t value);
    // The stream ended at a stop: clock pulses that were not image data
    // (an incomplete byte, a header pulse with the data line high, data after
    // the idle clocks), and the idle clocks that followed the image. The logic
    // starts only with its start-up clocks behind a whole image.
    void EndConfiguration(int strayBits, int idleClocks);

    bool Loaded() const;
    // Fault injection: the logic forgets its configuration, as after a
    // power glitch.
    void LoseConfiguration();
    std::uint8_t Control() const;
    std::array<std::uint16_t, 32> PidTable() const;
    std::uint64_t ConfigurationsAccepted() const;
    std::uint64_t ConfigurationsRefused() const;

    // Image validation, shared with the tool that writes images.
    static std::uint32_t Crc32(const std::uint8_t* data, std::size_t size);
    static bool ImageValid(const std::uint8_t* image, std::size_t size);
    // An image this logic accepts; its filler bytes are a fixed pattern.
    static std::vector<std::uint8_t> MakeValidImage();

  private:
    mutable std::mutex m_mutex;
    bool m_loaded = false;
    std::array<std::uint8_t, 0x41> m_registers{};
    std::uint8_t m_pointer = 0;
    bool m_expectRegister = true;
    bool m_configuring = false;
    std::size_t m_received = 0;
    std::uint32_t m_crc = 0xFFFFFFFFu;
    std::array<std::uint8_t, 4> m_head{};
    std::array<std::uint8_t, 4> m_tail{};
    std::uint64_t m_accepted = 0;
    std::uint64_t m_refused = 0;
};

}  // namespace orbix::sim
