#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace orbix {

inline constexpr std::size_t kStatusTextBytes = 30;   // padded length
inline constexpr std::size_t kStatusDrawnBytes = 26;  // bytes shown
inline constexpr std::size_t kStatusRotateBytes = 2;  // scroll step per tick

// The lock words as written (UTF-8); the window shows them in the interface
// language and hands them over as GBK.
inline constexpr std::string_view kLockedWord = "锁定成功！";
inline constexpr std::string_view kLockingWord = "锁定中！";
struct LockWords {
    std::string locked;   // GBK
    std::string locking;  // GBK
};
LockWords ChineseLockWords();

// The lock word that follows a transponder name of nameBytes GBK bytes. An
// odd name gets a leading space so a word of double-byte characters starts at
// an even offset, in step with the 2-byte scroll.
std::string LockWord(bool locked, std::size_t nameBytes,
                     const LockWords& words = ChineseLockWords());

// The scrolling status text: GBK bytes plus, for each byte, the number of the
// character it belongs to. The numbers travel with the bytes when they scroll,
// so the drawn window can tell a whole double-byte character from half of one.
class CStatusText {
  public:
    // Name + lock word, padded with spaces to 30 bytes (longer texts stay long).
    void Build(std::string_view nameGbk, bool locked);
    // The words Build puts after the name (Chinese until set).
    void SetLockWords(LockWords words) { m_words = std::move(words); }
    // Moves the first 2 bytes to byte position 28 (the end of a 30-byte text).
    void Rotate();

    const std::string& Bytes() const { return m_bytes; }
    // The first 26 bytes, fit to draw: half of a double-byte character, cut by
    // the scroll or by the 26-byte edge, is drawn as a space.
    std::string Drawn() const;

  private:
    LockWords m_words = ChineseLockWords();
    std::string m_bytes;
    std::vector<std::uint32_t> m_charOf;
};

}  // namespace orbix
