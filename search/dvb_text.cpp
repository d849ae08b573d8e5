#include "search/dvb_text.h"

#include <iconv.h>

#include <array>
#include <cerrno>
#include <vector>

#include "db/gbk_scan.h"
#include "platform/text.h"

namespace orbix {
namespace {

struct Table {
    const char* iconvName = nullptr;  // nullptr: reserved, not decodable
    std::size_t skip = 0;             // selector bytes
    bool singleByte = false;          // bytes 0x80-0x9F are control codes
    std::size_t unit = 1;             // bytes to pass over at an illegal byte
};

// ISO 8859 parts by the number the selector gives; 0 and 12 do not exist.
constexpr std::array<const char*, 16> kIso8859{
    nullptr,      "ISO-8859-1",  "ISO-8859-2",  "ISO-8859-3", "ISO-8859-4",  "ISO-8859-5",
    "ISO-8859-6", "ISO-8859-7",  "ISO-8859-8",  "ISO-8859-9", "ISO-8859-10", "ISO-8859-11",
    nullptr,      "ISO-8859-13", "ISO-8859-14", "ISO-8859-15"};

Table Select(std::span<const std::uint8_t> text, NoSelectorCharset noSelector) {
    if (text.empty() || text[0] >= 0x20) {
        return noSelector == NoSelectorCharset::Gb18030 ? Table{"GB18030", 0, false, 1}
                                                        : Table{"ISO_6937", 0, true, 1};
    }
    const std::uint8_t s = text[0];
    if (s >= 0x01 && s <= 0x0B && s != 0x08) return {kIso8859[s + 4], 1, true, 1};
    switch (s) {
        case 0x10:
            if (text.size() >= 3 && text[1] == 0 && text[2] < kIso8859.size())
                return {kIso8859[text[2]], 3, true, 1};
            return {};
        case 0x11:
            return {"UCS-2BE", 1, false, 2};
        case 0x12:
            return {"EUC-KR", 1, false, 1};
        case 0x13:
            return {"GB2312", 1, false, 1};
        case 0x14:
            return {"BIG5", 1, false, 1};
        case 0x15:
            return {"UTF-8", 1, false, 1};
        default:
            return {};
    }
}

constexpr char32_t kReplacement = U'?';

// The code points of bytes in the table; illegal or cut-off input becomes
// kReplacement.
std::u32string ToCodePoints(std::string bytes, const Table& table) {
    std::u32string out;
    iconv_t cd = iconv_open("UTF-32LE", table.iconvName);
    if (cd == reinterpret_cast<iconv_t>(-1)) return out;
    char* src = bytes.data();
    std::size_t left = bytes.size();
    std::array<char, 512> buf;
    while (left > 0) {
        char* dst = buf.data();
        std::size_t room = buf.size();
        const std::size_t r = iconv(cd, &src, &left, &dst, &room);
        const auto made = static_cast<std::size_t>(dst - buf.data()) / 4;
        for (std::size_t i = 0; i < made; ++i) {
            const auto* b = reinterpret_cast<const unsigned char*>(buf.data() + 4 * i);
            out.push_back(static_cast<char32_t>(b[0] | (b[1] << 8) | (b[2] << 16) |
                                                (static_cast<std::uint32_t>(b[3]) << 24)));
        }
        if (r != static_cast<std::size_t>(-1) || errno == E2BIG) continue;
        out.push_back(kReplacement);
        if (errno == EINVAL) break;  // the text ends inside a character
        const std::size_t n = std::min(left, table.unit);
        src += n;
        left -= n;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    iconv_close(cd);
    return out;
}

// In single-byte tables the bytes 0x80-0x9F are control codes, never
// characters: 0x8A breaks the line, the others (emphasis on and off) show
// nothing.
std::string WithoutControlBytes(std::span<const std::uint8_t> text) {
    std::string out;
    for (std::uint8_t b : text) {
        if (b == 0x8A) out.push_back(' ');
        if (b < 0x80 || b > 0x9F) out.push_back(static_cast<char>(b));
    }
    return out;
}

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

// Control codes of the multi-byte tables (U+0080-U+009F and their private
// use twins U+E080-U+E09F) as in WithoutControlBytes; other controls and
// impossible code points are dropped.
std::string ToUtf8(const std::u32string& points) {
    std::string out;
    for (char32_t c : points) {
        const char32_t low = c & 0xFF;
        const bool control = (c >= 0x80 && c <= 0x9F) || (c >= 0xE080 && c <= 0xE09F);
        if (control) {
            if (low == 0x8A) out.push_back(' ');
            continue;
        }
        if (c < 0x20 || c == 0x7F || (c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) continue;
        AppendUtf8(out, c == U'|' ? U'/' : c);
    }
    return out;
}

}  // namespace

std::string DecodeDvbText(std::span<const std::uint8_t> text, NoSelectorCharset noSelector) {
    const Table table = Select(text, noSelector);
    if (table.iconvName == nullptr) return {};
    const auto body = text.subspan(std::min(table.skip, text.size()));
    std::string bytes =
        table.singleByte ? WithoutControlBytes(body) : std::string(body.begin(), body.end());
    const std::string gbk = Gbk(ToUtf8(ToCodePoints(std::move(bytes), table)));
    return std::string(gbk::TrimBlanks(gbk));
}

std::string_view CutGbk(std::string_view text, std::size_t maxBytes) {
    std::size_t end = 0;
    while (end < text.size()) {
        const std::size_t n = gbk::CharLength(text, end);
        if (end + n > maxBytes) break;
        end += n;
    }
    return text.substr(0, end);
}

}  // namespace orbix
