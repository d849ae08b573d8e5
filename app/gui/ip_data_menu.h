#pragma once

#include <QObject>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>

#include "platform/notices.h"
#include "platform/tun_device.h"
#include "search/ip_data_receiver.h"

class QAction;

namespace orbix {

class CProgramListDlg;

// "接收IP数据" in the program list's context menu, on the "IP节目" group:
// starts and stops the IP data reception into the TUN interface named in
// section "IPDATA", from the ticked PIDs of the user's list, and keeps its
// state and counters in the status line while it runs. GUI thread only.
class CIpDataMenu final : public QObject {
    Q_OBJECT

  public:
    struct Wiring {
        CProgramListDlg& list;
        INotices& notices;
        std::function<void(const std::string& textGbk)> setStatusText;
        std::string databasePath;
        int port;
    };
    explicit CIpDataMenu(Wiring wiring);
    ~CIpDataMenu() override;

    // Starts when an interface is set and PIDs are ticked; false, after
    // telling the user why when tell is set, otherwise.
    bool Start(bool tell);
    void Stop();
    bool Running() const { return m_receiver && m_receiver->Running(); }
    IpDataCounters Counters() const {
        return m_receiver ? m_receiver->Counters() : IpDataCounters{};
    }
    QAction* Action() const { return m_action; }

  private:
    void OnMenuShown();
    void OnTriggered(bool checked);
    void ShowState();
    std::string InterfaceName() const;

    Wiring m_w;
    QAction* m_action = nullptr;
    QTimer m_timer;
    std::unique_ptr<CTunDevice> m_tun;
    std::unique_ptr<CIpDataReceiver> m_receiver;
};

}  // namespace orbix
