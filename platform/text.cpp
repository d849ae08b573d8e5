#include "platform/text.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>

namespace orbix {
namespace {

// Bytes of the UTF-8 sequence that starts with lead.
std::size_t Utf8Length(unsigned char lead) {
    if (lead >= 0xF0) return 4;
    if (lead >= 0xE0) return 3;
    if (lead >= 0xC0) return 2;
    return 1;
}

std::size_t OneByte(unsigned char) { return 1; }

// Converts in one pass; a character the target cannot hold, or bytes the
// source encoding does not allow, become one replacement each.
std::string Convert(std::string_view in, const char* to, const char* from, std::string_view replacement,
                    std::size_t (*skip)(unsigned char)) {
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
            const std::size_t n = std::min(left, skip(static_cast<unsigned char>(*src)));
            src += n;
            left -= n;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
        }
    }
    iconv_close(cd);
    return out;
}

}  // namespace

std::string Gbk(std::string_view utf8) { return Convert(utf8, "GBK", "UTF-8", "?", Utf8Length); }

std::string Utf8(std::string_view gbk) {
    return Convert(gbk, "UTF-8", "GBK", "\xEF\xBF\xBD", OneByte);
}

}  // namespace orbix
