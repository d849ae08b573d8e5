// The whole search pass over datagrams taken from the input: each is a
// two-byte length (up to 1400, so longer ones are cut as a receive cuts them)
// followed by its bytes. After the last one nothing more comes.
#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "search/search_pass.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    orbix::CBufferDatagramSource source;
    std::size_t pos = 0;
    while (pos + 2 <= size) {
        const std::size_t length = ((data[pos] << 8) | data[pos + 1]) % 1401;
        pos += 2;
        const std::size_t n = std::min(length, size - pos);
        source.Add(std::span<const std::uint8_t>(data + pos, n));
        pos += n;
    }
    orbix::CPidFilter filter;
    orbix::CVirtualClock clock;
    orbix::CStopSignal stop;
    orbix::PatTable pat;
    orbix::PmtTable pmt;
    orbix::SearchTable rows{};
    orbix::CSearchPass pass(source, filter, {pat, pmt, rows}, clock, stop);
    const int count = pass.ReceivePat();
    if (count > 0) {
        pass.CollectPmts(count);
        if (pass.Programs().size() > static_cast<std::size_t>(orbix::kPatCapacity))
            __builtin_trap();
    }
    return 0;
}
