#include <sys/io.h>

#include "platform/port_io.h"

namespace orbix {
namespace {

class CHardwarePortIo final : public IPortIo {
public:
    bool Enable(std::uint16_t first, std::uint16_t count) override {
        return ioperm(first, count, 1) == 0;
    }
    std::uint8_t In8(std::uint16_t port) override { return inb(port); }
    void Out8(std::uint16_t port, std::uint8_t value) override { outb(value, port); }
    std::uint32_t In32(std::uint16_t port) override { return inl(port); }
    void Out32(std::uint16_t port, std::uint32_t value) override { outl(value, port); }
};

}  // namespace

std::unique_ptr<IPortIo> MakeHardwarePortIo() { return std::make_unique<CHardwarePortIo>(); }

}  // namespace orbix
