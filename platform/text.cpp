#include "platform/text.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>

namespace orbix {
namespace {

// Bytes to pass over where the conversion stopped: the whole sequence when it
// is a well-formed UTF-8 character the target lacks, else the one bad byte, so
// the characters after a broken sequence are kept.
std::size_t Utf8Skip(std::string_view rest) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(rest[i]); };
    const unsigned char lead = byte(0);
    const std::size_t n = lead >= 0xF0 && lead <= 0xF4   ? 4
                          : lead >= 0xE0 && lead <= 0xEF ? 3
                          : lead >= 0xC2 && lead <= 0xDF ? 2
                                                         : 1;
    if (n > rest.size()) return 1;
    for (std::size_t i = 1; i < n; ++i) {
        if ((byte(i) & 0xC0) != 0x80) return 1;
    }
    return n;
}

std::size_t OneByte(std::string_view) { return 1; }

// Converts in one pass; a character the target cannot hold, or bytes the
// source encoding does not allow, become one replacement each.
std::string Convert(std::string_view in, const char* to, const char* from,
                    std::string_view replacement, std::size_t (*skip)(std::string_view)) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::string(in);
    std::string out;
    out.reserve(in.size() * 2);
    char buf[256];
    char* src = const_cast<char*>(in.data());
    std::size_t left = in.size();
    while (left > 0) {
        char* dst = buf;
        std::size_t room = sizeof buf;
        std::size_t r = iconv(cd, &src, &left, &dst, &room);
        out.append(buf, static_cast<std::size_t>(dst - buf));
        if (r == static_cast<std::size_t>(-1) && errno != E2BIG) {
            out.append(replacement);
            const std::size_t n = std::min(left, skip(std::string_view(src, left)));
            src += n;
            left -= n;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
        }
    }
    iconv_close(cd);
    return out;
}

}  // namespace

// The converter writes the euro sign as the single byte 0x80, which no strict
// GBK reader accepts as a character, so it becomes a replacement like any
// other character GBK lacks.
std::string Gbk(std::string_view utf8) {
    std::string out = Convert(utf8, "GBK", "UTF-8", "?", Utf8Skip);
    for (std::size_t i = 0; i < out.size();) {
        const auto b = static_cast<unsigned char>(out[i]);
        if (b == 0x80) out[i] = '?';
        i += b > 0x80 ? 2 : 1;
    }
    return out;
}

std::string Utf8(std::string_view gbk) {
    return Convert(gbk, "UTF-8", "GBK", "\xEF\xBF\xBD", OneByte);
}

}  // namespace orbix
