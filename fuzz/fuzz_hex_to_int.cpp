// HexToInt over any text: no overflow trap, and hexadecimal digits give
// their value.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "db/pid_list.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const int value = orbix::HexToInt(text);
    if (size <= 7 && text.find_first_not_of("0123456789abcdefABCDEF") == std::string_view::npos &&
        (value < 0 || value > 0xFFFFFFF)) {
        __builtin_trap();
    }
    return 0;
}
