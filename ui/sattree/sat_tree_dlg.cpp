#include "ui/sattree/sat_tree_dlg.h"

#include <QByteArray>
#include <QTreeWidget>

#include "db/database_check.h"
#include "platform/text.h"
#include "ui/post_to_gui.h"
#include "ui/qt_text.h"
#include "ui/resources.h"
#include "ui/sattree/sat_tree_item.h"
#include "ui/sattree/sat_tree_texts.h"

namespace orbix {

namespace sattree {

QTreeWidgetItem* MakeItem(const std::string& nameGbk) {
    auto* item = new QTreeWidgetItem;
    item->setText(0, FromGbk(nameGbk));
    item->setData(0, kNameRole, QByteArray::fromStdString(nameGbk));
    return item;
}

std::string ItemName(const QTreeWidgetItem* item) {
    if (item == nullptr) return {};
    return item->data(0, kNameRole).toByteArray().toStdString();
}

}  // namespace sattree

using sattree::IsTransponder;
using sattree::ItemName;

namespace {

// Where the tree sits on the face.
constexpr int kTreeLeft = 7, kTreeTop = 19, kTreeWidth = 236, kTreeHeight = 262;

enum Button : int { kClose = 12, kAdd, kDelete, kEdit, kLock, kSearch };

QTreeWidgetItem* FindChild(QTreeWidgetItem* parent, const std::string& nameGbk) {
    for (int i = 0; i < parent->childCount(); ++i) {
        if (ItemName(parent->child(i)) == nameGbk) return parent->child(i);
    }
    return nullptr;
}

}  // namespace

CSatTreeDlg::CSatTreeDlg(SatTreeServices services, QWidget* parent)
    : CSkinWindow(SkinWindowKind::SatelliteTree, kFaceSatTree, kFaceSatTreePressed, parent),
      m_services(std::move(services)),
      m_db(m_services.databasePath),
      m_searchDb(m_services.databasePath),
      m_searchState(m_services.notices, m_services.receiveTimeoutMs, m_services.streamPort),
      m_search(m_searchState,
               SearchServices{m_services.pidFilter, m_searchDb, m_services.programTree,
                              m_services.statusText, m_services.clock}) {
    m_search.SetProgressCallback([this](const SearchProgress& p) { OnSearchProgress(p); });
    m_search.SetLockState(m_services.tunerLocked);
    m_tree = new QTreeWidget(this);
    m_tree->setGeometry(kTreeLeft, kTreeTop, kTreeWidth, kTreeHeight);
    m_tree->setHeaderHidden(true);
    m_tree->setColumnCount(1);
    m_tree->setRootIsDecorated(true);
    m_tree->setSortingEnabled(false);
    connect(m_tree, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem* item) { OnTreeClicked(item); });
    connect(m_tree, &QTreeWidget::itemDoubleClicked, this,
            [this](QTreeWidgetItem* item) { OnTreeDoubleClicked(item); });
    m_tree->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_tree, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { ShowChannelFileMenu(at); });
    FillTree();
    AddNetworkScanCommand();
}

CSatTreeDlg::~CSatTreeDlg() {
    StopNetworkScan();
    StopSearch();
}

void CSatTreeDlg::StopSearch() { m_search.Stop(); }

void CSatTreeDlg::FillTree() {
    // Only a file without any satellite gets the default content; a damaged
    // one is said so and left as it is, and the tree shows what it can read.
    const DatabaseCheck check = CheckDatabaseFile(m_db.Path());
    if (check.damagedLine > 0) Tell(DamagedDatabaseMessage(m_db.Path(), check.damagedLine));
    if (check.empty) {
        if (!m_db.WriteDefaultContent()) TellNotWritten(m_db);
        AddToTree("sino", "CETV");
        return;
    }
    for (int k = 1; k <= check.satellites; ++k) {
        const std::string satellite = m_db.GetSatelliteName(k);
        const int count = m_db.CountTransponders(satellite);
        for (int j = 1; j <= count; ++j) {
            std::string transponder;
            if (m_db.GetTransponderName(satellite, j, transponder) > 0) {
                AddToTree(satellite, transponder);
            }
        }
    }
}

void CSatTreeDlg::AddToTree(const std::string& satelliteGbk, const std::string& transponderGbk) {
    QTreeWidgetItem* satellite = nullptr;
    for (int i = 0; i < m_tree->topLevelItemCount() && satellite == nullptr; ++i) {
        if (ItemName(m_tree->topLevelItem(i)) == satelliteGbk) satellite = m_tree->topLevelItem(i);
    }
    if (satellite == nullptr) {
        satellite = sattree::MakeItem(satelliteGbk);
        m_tree->addTopLevelItem(satellite);
    }
    if (FindChild(satellite, transponderGbk) == nullptr) {
        satellite->addChild(sattree::MakeItem(transponderGbk));
    }
}

void CSatTreeDlg::OnButton(int index) {
    switch (index) {
        case kClose:
            HideUndocked();
            if (m_services.closed) m_services.closed();
            break;
        case kAdd:
            AddTransponder();
            break;
        case kDelete:
            DeleteSelected();
            break;
        case kEdit:
            EditSelected();
            break;
        case kLock:
            OnLockButton();
            break;
        case kSearch:
            OnSearchButton();
            break;
        default:
            break;
    }
}

void CSatTreeDlg::OnTreeClicked(QTreeWidgetItem* item) {
    if (item != nullptr) m_clicked = true;
}

void CSatTreeDlg::OnTreeDoubleClicked(QTreeWidgetItem* item) {
    // A satellite only opens or closes, as the tree itself does on a double-click.
    if (!IsTransponder(item)) return;
    EditTransponder(ItemName(item->parent()), ItemName(item));
}

void CSatTreeDlg::Tell(const std::string& textGbk) { m_services.notices.Tell(textGbk); }

void CSatTreeDlg::TellNotWritten(const CChannelDatabase& db) { Tell(db.WriteFailedMessage()); }

void CSatTreeDlg::SetStatus(const std::string& textGbk) {
    m_services.statusText.SetStatusText(textGbk);
}

// --- lock

void CSatTreeDlg::OnLockButton() {
    if (m_services.stopPlayer) m_services.stopPlayer();
    if (Searching()) {
        Tell(sattree_texts::WaitForSearchLock());
        return;
    }
    LockSelectedTransponder();
}

bool CSatTreeDlg::LockSelectedTransponder() {
    QTreeWidgetItem* item = m_tree->currentItem();
    SetStatus(sattree_texts::Blank());
    if (!IsTransponder(item)) {
        Tell(sattree_texts::PickToLock());
        return false;
    }
    TuneTarget target{ItemName(item->parent()), ItemName(item), {}};
    // A transponder missing from the file leaves the record as it was.
    if (m_services.currentTarget) target.tp = m_services.currentTarget().tp;
    m_db.ReadTransponder(target.satellite, target.transponder, target.tp);
    // Without "Lock" in the file the search would refuse this transponder:
    // the lock is not taken, and the user learns why.
    if (!m_db.WriteLockAndLast(target.satellite, target.transponder)) {
        TellNotWritten(m_db);
        return false;
    }
    if (m_services.requestTune) m_services.requestTune(target);
    return true;
}

// --- search

void CSatTreeDlg::OnSearchButton() {
    if (m_services.stopPlayer) m_services.stopPlayer();
    if (!Searching()) {
        StartProgramSearch();
        return;
    }
    Tell(sattree_texts::WaitForSearch());
    // The release has just asked for the button's normal face; draw it now,
    // so that this paint does not re-arm the button disarmed here. The next
    // paint, or the end of the search, arms it again.
    const ButtonEntry& b = g_buttonTable[kSearch];
    if (isVisible()) repaint(b.left, b.top, b.width, b.height);
    SetButtonReady(kSearch, false);
}

void CSatTreeDlg::StartProgramSearch() {
    SetStatus(sattree_texts::Blank());
    QTreeWidgetItem* item = m_tree->currentItem();
    std::string satellite;
    std::string transponder;
    if (IsTransponder(item)) {
        satellite = ItemName(item->parent());
        transponder = ItemName(item);
    }
    if (transponder.empty()) {
        Tell(sattree_texts::PickToSearch());
        return;
    }
    const bool locked = m_services.locked && m_services.locked();
    if (!m_db.IsLockTarget(satellite, transponder) || !locked) {
        Tell(sattree_texts::LockFirst(transponder));
        return;
    }
    // Shown before the worker starts: a search that fails at once must not
    // have its ending overwritten by this.
    SetStatus(sattree_texts::Searching());
    // The list is emptied while the search runs; the stored programs stay in
    // the file until the new ones replace them, and the list shows them again
    // if the search fails or is ended.
    if (m_services.clearProgramTree) m_services.clearProgramTree();
    if (!m_search.Start()) {
        if (m_services.rebuildProgramTree) m_services.rebuildProgramTree();
        Tell(sattree_texts::WaitForSearch());
    }
}

void CSatTreeDlg::OnSearchProgress(const SearchProgress& progress) {
    if (progress.stage != SearchStage::Stored && progress.stage != SearchStage::Failed) return;
    // The worker's thread: the window's button state and its repaint belong
    // to the user-interface thread, so the end is posted there.
    PostToGui(this, [this] {
        SetButtonReady(kSearch, true);
        update();
    });
}

}  // namespace orbix
