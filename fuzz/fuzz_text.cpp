// The GBK and UTF-8 conversions over any bytes.
// - Utf8 always gives valid UTF-8, Gbk always valid GBK.
// - No ASCII character of the input is lost or added: only what cannot be
//   converted turns into the replacement ('?' or U+FFFD).
// - Text that converts without a replacement converts back to itself.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "db/gbk_scan.h"
#include "platform/text.h"

namespace {

namespace gbk = orbix::gbk;

void Check(bool ok) {
    if (!ok) __builtin_trap();
}

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

// Length of the well-formed UTF-8 sequence at i, 0 when there is none.
std::size_t Utf8SequenceAt(std::string_view s, std::size_t i) {
    const auto b = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char lead = b(i);
    if (lead < 0x80) return 1;
    std::size_t n = lead >= 0xC2 && lead <= 0xDF   ? 2
                    : lead >= 0xE0 && lead <= 0xEF ? 3
                    : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                   : 0;
    if (n == 0 || i + n > s.size()) return 0;
    for (std::size_t k = 1; k < n; ++k) {
        if ((b(i + k) & 0xC0) != 0x80) return 0;
    }
    const unsigned char second = b(i + 1);
    if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second > 0x9F) ||
        (lead == 0xF0 && second < 0x90) || (lead == 0xF4 && second > 0x8F)) {
        return 0;
    }
    return n;
}

bool IsValidUtf8(std::string_view s) {
    for (std::size_t i = 0; i < s.size();) {
        const std::size_t n = Utf8SequenceAt(s, i);
        if (n == 0) return false;
        i += n;
    }
    return true;
}

// The ASCII characters of UTF-8 (or any) bytes, without the '?' of replacements.
std::string AsciiOf(std::string_view s) {
    std::string out;
    for (char c : s) {
        if (static_cast<unsigned char>(c) < 0x80 && c != '?') out.push_back(c);
    }
    return out;
}

// The single-byte characters of GBK text, without '?'.
std::string GbkAsciiOf(std::string_view s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); i += gbk::CharLength(s, i)) {
        if (gbk::CharLength(s, i) == 1 && static_cast<unsigned char>(s[i]) < 0x80 && s[i] != '?') {
            out.push_back(s[i]);
        }
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view in(reinterpret_cast<const char*>(data), size);

    const std::string asGbk = orbix::Gbk(in);
    Check(gbk::IsValid(asGbk));
    Check(GbkAsciiOf(asGbk) == AsciiOf(in));
    if (IsValidUtf8(in) && asGbk.find('?') == std::string::npos) Check(orbix::Utf8(asGbk) == in);

    const std::string asUtf8 = orbix::Utf8(in);
    Check(IsValidUtf8(asUtf8));
    if (gbk::IsValid(in)) {
        Check(AsciiOf(asUtf8) == GbkAsciiOf(in) || asUtf8.find(kReplacement) != std::string::npos);
        if (asUtf8.find(kReplacement) == std::string::npos) Check(orbix::Gbk(asUtf8) == in);
    }
    return 0;
}
