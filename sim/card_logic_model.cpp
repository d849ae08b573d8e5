#include "sim/card_logic_model.h"

#include <algorithm>

namespace orbix::sim {
namespace {

constexpr std::array<std::uint32_t, 256> MakeCrcTable() {
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t c = i;
        for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[i] = c;
    }
    return table;
}

constexpr auto kCrcTable = MakeCrcTable();

std::uint32_t CrcStep(std::uint32_t crc, std::uint8_t byte) {
    return kCrcTable[(crc ^ byte) & 0xFF] ^ (crc >> 8);
}

std::uint32_t LittleEndian(const std::array<std::uint8_t, 4>& b) {
    return b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
}

}  // namespace

std::uint32_t CCardLogicModel::Crc32(const std::uint8_t* data, std::size_t size) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < size; ++i) crc = CrcStep(crc, data[i]);
    return ~crc;
}

bool CCardLogicModel::ImageValid(const std::uint8_t* image, std::size_t size) {
    if (size != kImageSize) return false;
    if (!std::equal(kImageSyncWord.begin(), kImageSyncWord.end(), image)) return false;
    std::array<std::uint8_t, 4> tail{};
    std::copy(image + size - 4, image + size, tail.begin());
    return Crc32(image, size - 4) == LittleEndian(tail);
}

std::vector<std::uint8_t> CCardLogicModel::MakeValidImage() {
    std::vector<std::uint8_t> image(kImageSize);
    std::ranges::copy(kImageSyncWord, image.begin());
    std::uint32_t x = 0x2545F491u;
    for (std::size_t i = kImageSyncWord.size(); i + 4 < image.size(); ++i) {
        x = x * 1664525u + 1013904223u;
        image[i] = static_cast<std::uint8_t>(x >> 24);
    }
    const std::uint32_t crc = Crc32(image.data(), image.size() - 4);
    for (std::size_t i = 0; i < 4; ++i)
        image[image.size() - 4 + i] = static_cast<std::uint8_t>(crc >> (8 * i));
    return image;
}

bool CCardLogicModel::Select(bool /*read*/) {
    std::lock_guard lock(m_mutex);
    m_expectRegister = true;
    return m_loaded;
}

bool CCardLogicModel::WriteByte(std::uint8_t value) {
    std::lock_guard lock(m_mutex);
    if (!m_loaded) return false;
    if (m_expectRegister) {
        m_pointer = value;
        m_expectRegister = false;
        return true;
    }
    if (m_pointer < m_registers.size()) m_registers[m_pointer] = value;
    ++m_pointer;
    return true;
}

std::uint8_t CCardLogicModel::ReadByte() {
    std::lock_guard lock(m_mutex);
    std::uint8_t reg = m_pointer++;
    if (reg == kControlRegister) return kIdentity;
    return reg < m_registers.size() ? m_registers[reg] : 0xFF;
}

void CCardLogicModel::BeginConfiguration() {
    {
        std::lock_guard lock(m_mutex);
        m_loaded = false;
    }
    m_configuring = true;
    m_received = 0;
    m_crc = 0xFFFFFFFFu;
}

void CCardLogicModel::ConfigurationByte(std::uint8_t value) {
    if (m_received < m_head.size()) m_head[m_received] = value;
    if (m_received < kImageSize - 4) {
        m_crc = CrcStep(m_crc, value);
    } else if (m_received < kImageSize) {
        m_tail[m_received - (kImageSize - 4)] = value;
    }
    ++m_received;
}

void CCardLogicModel::EndConfiguration(int strayBits, int idleClocks) {
    if (!m_configuring) return;
    m_configuring = false;
    const bool valid = strayBits == 0 && idleClocks >= kStartUpClocks && m_received == kImageSize &&
                       m_head == kImageSyncWord && ~m_crc == LittleEndian(m_tail);
    std::lock_guard lock(m_mutex);
    m_loaded = valid;
    m_registers.fill(0);
    ++(valid ? m_accepted : m_refused);
}

bool CCardLogicModel::Loaded() const {
    std::lock_guard lock(m_mutex);
    return m_loaded;
}

void CCardLogicModel::LoseConfiguration() {
    std::lock_guard lock(m_mutex);
    m_loaded = false;
    m_registers.fill(0);
}

std::uint8_t CCardLogicModel::Control() const {
    std::lock_guard lock(m_mutex);
    return m_registers[kControlRegister];
}

std::array<std::uint16_t, 32> CCardLogicModel::PidTable() const {
    std::lock_guard lock(m_mutex);
    std::array<std::uint16_t, 32> table{};
    for (std::size_t i = 0; i < table.size(); ++i) {
        table[i] = static_cast<std::uint16_t>(m_registers[2 * i] | (m_registers[2 * i + 1] << 8));
    }
    return table;
}

std::uint64_t CCardLogicModel::ConfigurationsAccepted() const {
    std::lock_guard lock(m_mutex);
    return m_accepted;
}

std::uint64_t CCardLogicModel::ConfigurationsRefused() const {
    std::lock_guard lock(m_mutex);
    return m_refused;
}

}  // namespace orbix::sim
