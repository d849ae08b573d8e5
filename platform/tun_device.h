#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace orbix {

// Where received IP datagrams are given to the kernel.
class IDatagramOutput {
  public:
    virtual ~IDatagramOutput() = default;
    // False when the datagram could not be handed on.
    virtual bool Write(std::span<const std::uint8_t> datagram) = 0;
};

// A Linux TUN interface without packet information: each write is one IP
// datagram, which the kernel receives as if it came in from a network card.
// An ordinary user attaches to a persistent interface made once for them
// (ip tuntap add dev NAME mode tun user USER); a process holding
// CAP_NET_ADMIN may create it instead, and gives that capability up as soon
// as the interface is open, whether it used it or not.
class CTunDevice final : public IDatagramOutput {
  public:
    // Null with the reason in error (names the interface and, where the
    // user can mend it, the command that does).
    static std::unique_ptr<CTunDevice> Open(const std::string& name, std::string& error);
    ~CTunDevice() override;
    CTunDevice(const CTunDevice&) = delete;
    CTunDevice& operator=(const CTunDevice&) = delete;

    bool Write(std::span<const std::uint8_t> datagram) override;
    const std::string& Name() const { return m_name; }
    // Whether this process made the interface (it vanishes when closed).
    bool Created() const { return m_created; }
    int Descriptor() const { return m_fd; }

  private:
    CTunDevice(int fd, std::string name, bool created)
        : m_fd(fd), m_name(std::move(name)), m_created(created) {}
    int m_fd;
    std::string m_name;
    bool m_created;
};

// Whether name can be an interface name (1 to 15 bytes, no '/', blank or ':').
bool ValidInterfaceName(const std::string& name);

}  // namespace orbix
