#include "platform/text.h"

#include <iconv.h>

#include <cerrno>
#include <cstddef>

namespace orbix {
namespace {

// Converts in one pass; on a byte sequence the source encoding cannot hold,
// emits the replacement and skips one byte.
std::string Convert(std::string_view in, const char* to, const char* from,
                    std::string_view replacement) {
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
            ++src;
            --left;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
        }
    }
    iconv_close(cd);
    return out;
}

}  // namespace

std::string Gbk(std::string_view utf8) { return Convert(utf8, "GBK", "UTF-8", "?"); }

std::string Utf8(std::string_view gbk) { return Convert(gbk, "UTF-8", "GBK", "\xEF\xBF\xBD"); }

}  // namespace orbix
