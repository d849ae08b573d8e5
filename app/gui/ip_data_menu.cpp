#include "app/gui/ip_data_menu.h"

#include <QAction>
#include <QMenu>
#include <QTreeWidgetItem>

#include "app/gui/ip_data_texts.h"
#include "db/ip_data_settings.h"
#include "platform/text.h"
#include "platform/text_template.h"
#include "ui/proglist/program_list_dlg.h"
#include "ui/qt_text.h"

namespace orbix {
namespace {

constexpr int kStateMs = 1000;

}  // namespace

CIpDataMenu::CIpDataMenu(Wiring wiring) : m_w(std::move(wiring)) {
    QMenu* menu = m_w.list.ContextMenu();
    m_action = menu->addAction(TrUtf8(ip_texts::kMenuItem));
    m_action->setCheckable(true);
    m_action->setVisible(false);
    connect(menu, &QMenu::aboutToShow, this, &CIpDataMenu::OnMenuShown);
    connect(m_action, &QAction::triggered, this, &CIpDataMenu::OnTriggered);
    connect(&m_timer, &QTimer::timeout, this, &CIpDataMenu::ShowState);
    // Configured and with PIDs ticked, reception runs from the start.
    Start(false);
}

CIpDataMenu::~CIpDataMenu() {
    if (m_receiver) m_receiver->Stop();
}

std::string CIpDataMenu::InterfaceName() const { return ReadIpDataSettings(m_w.databasePath).tun; }

void CIpDataMenu::OnMenuShown() {
    const bool onIpGroup = m_w.list.ClickedGroup() == ProgramGroup::Ip;
    const std::string name = Running() ? m_tun->Name() : InterfaceName();
    m_action->setText(TrUtf8(ip_texts::kMenuItem) +
                      QStringLiteral(" (%1)").arg(name.empty() ? TrUtf8(ip_texts::kNoInterface)
                                                               : QString::fromStdString(name)));
    m_action->setChecked(Running());
    m_action->setVisible(onIpGroup);
}

void CIpDataMenu::OnTriggered(bool checked) {
    if (checked) {
        Start(true);
    } else {
        Stop();
    }
    m_action->setChecked(Running());
}

bool CIpDataMenu::Start(bool tell) {
    if (Running()) return true;
    const IpDataSettings settings = ReadIpDataSettings(m_w.databasePath);
    const std::vector<std::uint16_t> pids = ActiveIpPids(CChannelDatabase(m_w.databasePath));
    auto fail = [&](const std::string& textUtf8) {
        if (tell) m_w.notices.Tell(Gbk(textUtf8));
        return false;
    };
    if (settings.tun.empty()) return fail(std::string(ip_texts::kSetInterface));
    if (pids.empty()) return fail(std::string(ip_texts::kNoPids));
    MacFilter filter;
    if (!MacFilterFromText(settings.mac, filter))
        return fail(FillTemplate(ip_texts::kCannotStart, {"MAC " + settings.mac}));
    std::string error;
    if (!m_tun || m_tun->Name() != settings.tun) m_tun = CTunDevice::Open(settings.tun, error);
    if (!m_tun) return fail(FillTemplate(ip_texts::kCannotStart, {error}));
    m_receiver = std::make_unique<CIpDataReceiver>(*m_tun);
    if (!m_receiver->Start(pids, filter, m_w.port, error)) {
        m_receiver.reset();
        return fail(FillTemplate(ip_texts::kCannotStart, {error}));
    }
    m_timer.start(kStateMs);
    ShowState();
    return true;
}

void CIpDataMenu::Stop() {
    if (!m_receiver) return;
    m_timer.stop();
    m_receiver->Stop();
    m_receiver.reset();
    m_w.setStatusText(Gbk(ip_texts::kStopped));
}

void CIpDataMenu::ShowState() {
    if (!Running()) return;
    const IpDataCounters c = m_receiver->Counters();
    m_w.setStatusText(Gbk(FillTemplate(ip_texts::kReceiving,
                                       {m_tun->Name(), std::to_string(c.mpe.datagrams),
                                        std::to_string(c.mpe.bytes), std::to_string(c.Drops())})));
}

}  // namespace orbix
