#include "app/startup.h"

#include "card/pci_scan.h"
#include "platform/text.h"

namespace orbix {

std::uint16_t g_cardIoBase = 0;

StartUpOutcome StartUp(StartUpContext& context, const std::function<void(std::uint16_t)>& runMainWindow) {
    // Linux needs no sockets start-up, so there is no step to fail before the
    // lock.
    if (!context.instanceLock.Acquire(context.appName, context.lockDirectory)) {
        context.notices.Tell(Gbk("程序已经加载!"));
        return StartUpOutcome::AlreadyRunning;
    }
    const std::string portIoDenied = Gbk("系统启动未完成，请稍后执行本软件!");
    if (!context.ports.Enable(kPciConfigAddressPort, kPciConfigPortCount)) {
        context.notices.Tell(portIoDenied);
        return StartUpOutcome::PortIoDenied;
    }
    g_cardIoBase = FindCardIoBase(context.ports, kCardPciIdentity);
    if (g_cardIoBase == 0) {
        context.notices.Tell(Gbk("您没有安装卫星接收卡!"));
        return StartUpOutcome::NoCard;
    }
    // Access to the card's own window is asked for only now that its base
    // is known, and only for its 256 ports.
    if (!context.ports.Enable(g_cardIoBase, kCardWindowSize)) {
        context.notices.Tell(portIoDenied);
        return StartUpOutcome::PortIoDenied;
    }
    runMainWindow(g_cardIoBase);
    return StartUpOutcome::Ran;
}

}  // namespace orbix
