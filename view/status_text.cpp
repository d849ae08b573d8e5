#include "view/status_text.h"

#include <algorithm>

#include "platform/text.h"

namespace orbix {
namespace {

bool IsLeadByte(unsigned char c) { return c >= 0x81 && c <= 0xFE; }
bool IsTrailByte(unsigned char c) { return c >= 0x40 && c <= 0xFE && c != 0x7F; }

// Marks the bytes of a double-byte character in a character number.
constexpr std::uint32_t kWide = 0x80000000u;

// Numbers the characters of a GBK text: both bytes of a double-byte character
// share one number, which carries the kWide mark.
std::vector<std::uint32_t> NumberCharacters(const std::string& text) {
    std::vector<std::uint32_t> charOf(text.size());
    std::uint32_t next = 0;
    for (std::size_t i = 0; i < text.size(); ++next) {
        const bool pair = i + 1 < text.size() && IsLeadByte(static_cast<unsigned char>(text[i])) &&
                          IsTrailByte(static_cast<unsigned char>(text[i + 1]));
        if (pair) {
            charOf[i++] = next | kWide;
            charOf[i++] = next | kWide;
        } else {
            charOf[i++] = next;
        }
    }
    return charOf;
}

template <typename T>
void MoveFrontTo(std::vector<T>& v, std::size_t count, std::size_t position) {
    std::vector<T> front(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(count));
    v.erase(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(count));
    const std::size_t at = std::min(position, v.size());
    v.insert(v.begin() + static_cast<std::ptrdiff_t>(at), front.begin(), front.end());
}

}  // namespace

LockWords ChineseLockWords() { return {Gbk(kLockedWord), Gbk(kLockingWord)}; }

std::string LockWord(bool locked, std::size_t nameBytes, const LockWords& words) {
    const std::string& word = locked ? words.locked : words.locking;
    const bool wide = !word.empty() && IsLeadByte(static_cast<unsigned char>(word[0]));
    return nameBytes % 2 == 0 || !wide ? word : " " + word;
}

void CStatusText::Build(std::string_view nameGbk, bool locked) {
    m_bytes.assign(nameGbk);
    m_bytes += LockWord(locked, nameGbk.size(), m_words);
    if (m_bytes.size() < kStatusTextBytes) m_bytes.resize(kStatusTextBytes, ' ');
    m_charOf = NumberCharacters(m_bytes);
}

void CStatusText::Rotate() {
    if (m_bytes.size() < kStatusRotateBytes) return;
    const std::size_t to = kStatusTextBytes - kStatusRotateBytes;
    std::vector<char> bytes(m_bytes.begin(), m_bytes.end());
    MoveFrontTo(bytes, kStatusRotateBytes, to);
    m_bytes.assign(bytes.begin(), bytes.end());
    MoveFrontTo(m_charOf, kStatusRotateBytes, to);
}

std::string CStatusText::Drawn() const {
    const std::size_t n = std::min(m_bytes.size(), kStatusDrawnBytes);
    std::string drawn;
    drawn.reserve(n);
    for (std::size_t i = 0; i < n; ++i) {
        const bool pairHere = i + 1 < n && m_charOf[i] == m_charOf[i + 1];
        if (pairHere) {
            drawn.append(m_bytes, i, 2);
            ++i;
        } else {
            drawn += (m_charOf[i] & kWide) != 0 ? ' ' : m_bytes[i];
        }
    }
    return drawn;
}

}  // namespace orbix
