#include "platform/stream_port.h"

#include <cstdlib>
#include <string>

namespace orbix {

namespace {

constexpr int kDefaultStreamPort = 8511;

int ReadStreamPort() {
    const char* text = std::getenv("ORBIXRX_STREAM_PORT");
    if (text == nullptr || *text == '\0') return kDefaultStreamPort;
    char* end = nullptr;
    const long port = std::strtol(text, &end, 10);
    if (*end != '\0' || port < 1 || port > 65535) return kDefaultStreamPort;
    return static_cast<int>(port);
}

}  // namespace

int StreamPort() {
    static const int port = ReadStreamPort();
    return port;
}

}  // namespace orbix
