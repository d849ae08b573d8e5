#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace orbix {

inline constexpr std::size_t kStatusTextBytes = 30;   // padded length
inline constexpr std::size_t kStatusDrawnBytes = 26;  // bytes shown
inline constexpr std::size_t kStatusRotateBytes = 2;  // scroll step per tick

// The lock word that follows a transponder name of nameBytes GBK bytes. An
// odd name gets a leading space so the word's double-byte characters start at
// even offsets, in step with the 2-byte scroll.
std::string LockWord(bool locked, std::size_t nameBytes);

// The scrolling status text: GBK bytes plus, for each byte, the number of the
// character it belongs to. The numbers travel with the bytes when they scroll,
// so the drawn window can tell a whole double-byte character from half of one.
class CStatusText {
  public:
    // Name + lock word, padded with spaces to 30 bytes (longer texts stay long).
    void Build(std::string_view nameGbk, bool locked);
    // Moves the first 2 bytes to byte position 28 (the end of a 30-byte text).
    void Rotate();

    const std::string& Bytes() const { return m_bytes; }
    // The first 26 bytes, fit to draw: half of a double-byte character, cut by
    // the scroll or by the 26-byte edge, is drawn as a space.
    std::string Drawn() const;

  private:
    std::string m_bytes;
    std::vector<std::uint32_t> m_charOf;
};

}  // namespace orbix
