// "搜索网络": the satellite tree's command that reads the NIT of the locked
// transponder and adds the transponders it announces to the satellite.
#include <QAction>
#include <QTreeWidget>

#include "platform/text.h"
#include "search/network_scan.h"
#include "ui/post_to_gui.h"
#include "ui/qt_text.h"
#include "ui/sattree/sat_tree_dlg.h"
#include "ui/sattree/sat_tree_item.h"
#include "ui/sattree/sat_tree_texts.h"

namespace orbix {

void CSatTreeDlg::AddNetworkScanCommand() {
    auto* action = new QAction(TrGbk(sattree_texts::SearchNetwork()), m_tree);
    connect(action, &QAction::triggered, this, [this] { StartNetworkScan(); });
    m_tree->addAction(action);
    m_tree->setContextMenuPolicy(Qt::ActionsContextMenu);
}

void CSatTreeDlg::StopNetworkScan() {
    m_networkStop.Request();
    if (m_networkThread.joinable()) m_networkThread.join();
}

bool CSatTreeDlg::StartNetworkScan() {
    QTreeWidgetItem* item = m_tree->currentItem();
    if (!sattree::IsTransponder(item)) {
        Tell(sattree_texts::PickToSearch());
        return false;
    }
    const std::string satellite = sattree::ItemName(item->parent());
    const std::string transponder = sattree::ItemName(item);
    const bool locked = m_services.locked && m_services.locked();
    if (!m_db.IsLockTarget(satellite, transponder) || !locked) {
        Tell(sattree_texts::LockFirst(transponder));
        return false;
    }
    // The scan uses the search's receiver: one of the two at a time.
    int idle = 1;
    if (!m_searchState.searchIdle.compare_exchange_strong(idle, 0)) {
        Tell(sattree_texts::WaitForSearch());
        return false;
    }
    if (m_networkThread.joinable()) m_networkThread.join();
    m_networkStop.Reset();
    m_networkThread = std::thread([this, satellite, transponder] {
        CChannelDatabase database(m_services.databasePath);
        const NetworkScanResult result =
            RunNetworkScan({m_searchState.receiver, m_searchState.port, m_services.pidFilter,
                            database, m_services.clock, m_networkStop, satellite, transponder});
        const std::vector<TransponderParams> stored = StoredTransponders(database, satellite);
        m_searchState.searchIdle.store(1);
        PostToGui(this, [this, result, stored, satellite] {
            for (const TransponderParams& tp : stored) AddToTree(satellite, tp.name);
            Tell(result.messageGbk);
        });
    });
    return true;
}

}  // namespace orbix
