#include <sys/io.h>

#include <cstdio>

#include "platform/port_io.h"

namespace orbix {
namespace {

// ioperm grants the ports to the calling thread only. A thread made later
// with clone (std::thread) shares its creator's permission bitmap, and a
// process made with fork keeps it across exec; threads that already exist
// get nothing. So Enable runs on the thread that later starts the workers,
// before it starts any of them: start-up does so.
class CHardwarePortIo final : public IPortIo {
  public:
    explicit CHardwarePortIo(std::unique_ptr<ICapabilities> capabilities)
        : m_capabilities(std::move(capabilities)) {}

    bool Enable(std::uint16_t first, std::uint16_t count) override {
        return ioperm(first, count, 1) == 0;
    }
    void EnablingDone() override {
        if (m_capabilities->DropRawIo()) return;
        // The program works on; it only keeps a privilege it no longer needs.
        std::fprintf(stderr, "orbixrx: could not give up CAP_SYS_RAWIO\n");
    }
    std::uint8_t In8(std::uint16_t port) override { return inb(port); }
    void Out8(std::uint16_t port, std::uint8_t value) override { outb(value, port); }
    std::uint32_t In32(std::uint16_t port) override { return inl(port); }
    void Out32(std::uint16_t port, std::uint32_t value) override { outl(value, port); }

  private:
    std::unique_ptr<ICapabilities> m_capabilities;
};

}  // namespace

std::unique_ptr<IPortIo> MakeHardwarePortIo(std::unique_ptr<ICapabilities> capabilities) {
    return std::make_unique<CHardwarePortIo>(std::move(capabilities));
}

}  // namespace orbix
