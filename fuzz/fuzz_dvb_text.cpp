// Broadcast text decoding over any bytes, with either table for text
// without a selector: the result is valid GBK without "|" or outer blanks,
// and cutting it never splits a character.
#include <cstddef>
#include <cstdint>
#include <span>

#include "db/gbk_scan.h"
#include "search/dvb_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    for (auto charset : {orbix::NoSelectorCharset::Iso6937, orbix::NoSelectorCharset::Gb18030}) {
        const std::string text = orbix::DecodeDvbText(bytes, charset);
        if (!orbix::gbk::IsValid(text) || orbix::gbk::HasChar(text, '|') ||
            orbix::gbk::TrimBlanks(text).size() != text.size())
            __builtin_trap();
        for (std::size_t n = 0; n <= text.size(); ++n) {
            if (!orbix::gbk::IsValid(orbix::CutGbk(text, n))) __builtin_trap();
        }
    }
    return 0;
}
