#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

namespace orbix {

// Where the search's datagrams come from: the UDP receiver, or a buffer.
class IDatagramSource {
  public:
    virtual ~IDatagramSource() = default;
    // Bytes received into buffer (at most size), or -1 when nothing came in
    // time.
    virtual int Receive(std::uint8_t* buffer, int size) = 0;
    // Drops what is already waiting; returns how many datagrams.
    virtual int Discard() = 0;
};

// Datagrams held in memory, handed out in order; then nothing more comes.
class CBufferDatagramSource final : public IDatagramSource {
  public:
    void Add(std::span<const std::uint8_t> datagram) {
        m_datagrams.emplace_back(datagram.begin(), datagram.end());
    }
    int Receive(std::uint8_t* buffer, int size) override {
        if (buffer == nullptr || m_next >= m_datagrams.size()) return -1;
        const auto& d = m_datagrams[m_next++];
        const auto n = std::min(d.size(), static_cast<std::size_t>(std::max(size, 0)));
        if (n > 0) std::memcpy(buffer, d.data(), n);
        return static_cast<int>(n);
    }
    int Discard() override { return 0; }
    std::size_t Taken() const { return m_next; }

  private:
    std::vector<std::vector<std::uint8_t>> m_datagrams;
    std::size_t m_next = 0;
};

}  // namespace orbix
