// The satellite tree window's add, delete and edit commands.
#include <QTreeWidget>

#include "ui/sattree/sat_tree_dlg.h"
#include "ui/sattree/sat_tree_item.h"
#include "ui/sattree/sat_tree_texts.h"

namespace orbix {

using sattree::IsTransponder;
using sattree::ItemName;

std::optional<TransponderParams> CSatTreeDlg::RunDialog(const TransponderParams& initial,
                                                        bool addMode,
                                                        const SatParamAccept& accept) {
    if (m_services.paramDialog) return m_services.paramDialog(initial, addMode, accept);
    return RunSatParamDialog(m_services.notices, this, initial, addMode, accept);
}

// The dialog stays open, with what was typed, until the transponder is stored
// or the user cancels: every refusal is told while it is still there.
bool CSatTreeDlg::AddTransponder() {
    // The dialog offers the satellite of the selection.
    QTreeWidgetItem* item = m_tree->currentItem();
    const std::string offered = ItemName(IsTransponder(item) ? item->parent() : item);
    const auto store = [this](const TransponderParams& tp) { return StoreNewTransponder(tp); };
    return RunDialog(CSatParamDlg::AddDefaults(offered), true, store).has_value();
}

bool CSatTreeDlg::StoreNewTransponder(const TransponderParams& tp) {
    if (tp.satellite.empty() || tp.name.empty() || tp.lnbFrequency.empty()) {
        Tell(sattree_texts::EnterNames());
        return false;
    }
    // Names the file cannot hold, and records too long to read back, are
    // refused before anything is written.
    std::string refusal = m_db.CheckNewNames(tp.satellite, tp.name);
    if (refusal.empty())
        refusal = CChannelDatabase::CheckRecordLength(CChannelDatabase::BuildAddRecord(tp));
    if (!refusal.empty()) {
        Tell(refusal);
        return false;
    }
    const auto confirm = [this] {
        const Notice question{sattree_texts::ConfirmOverwrite(), sattree_texts::kConfirmCaption,
                              NoticeButtons::YesNo, NoticeIcon::Question};
        return m_services.notices.Show(question) == NoticeAnswer::Yes;
    };
    switch (m_db.AddTransponder(tp, confirm)) {
        case AddOutcome::Identical:
            Tell(sattree_texts::AlreadyStored());
            return false;
        case AddOutcome::Declined:
        case AddOutcome::Refused:
            return false;
        case AddOutcome::WriteFailed:
            TellNotWritten(m_db);
            return false;
        case AddOutcome::CountOutOfRange:
            Tell(CChannelDatabase::CountOutOfRangeMessage());
            return false;
        case AddOutcome::Overwritten:
            RefreshCurrent(tp.satellite, tp.name);
            break;
        case AddOutcome::Added:
            break;
    }
    AddToTree(tp.satellite, tp.name);
    return true;
}

void CSatTreeDlg::EditSelected() {
    if (!m_clicked) {
        Tell(sattree_texts::PickForEdit());
        return;
    }
    QTreeWidgetItem* item = m_tree->currentItem();
    if (!IsTransponder(item)) {
        Tell(sattree_texts::PickUnderSatellite());
        return;
    }
    EditTransponder(ItemName(item->parent()), ItemName(item));
}

void CSatTreeDlg::EditTransponder(const std::string& satellite, const std::string& transponder) {
    if (m_db.FindTransponderIndex(satellite, transponder) < 0) return;
    TransponderParams stored;
    m_db.ReadTransponder(satellite, transponder, stored);
    const auto store = [&](const TransponderParams& typed) {
        TransponderParams edited = typed;
        // Names cannot be changed by an edit.
        edited.satellite = satellite;
        edited.name = transponder;
        const std::string tooLong =
            CChannelDatabase::CheckRecordLength(CChannelDatabase::BuildTuneRecord(edited));
        if (!tooLong.empty()) {
            Tell(tooLong);
            return false;
        }
        if (m_db.EditTransponder(edited)) {
            RefreshCurrent(satellite, transponder);
            return true;
        }
        // Not found any more (the file changed meanwhile): nothing to keep
        // the dialog open for, and nothing was written.
        if (m_db.FindTransponderIndex(satellite, transponder) < 0) return true;
        TellNotWritten(m_db);
        return false;
    };
    RunDialog(stored, false, store);
}

void CSatTreeDlg::RefreshCurrent(const std::string& satellite, const std::string& transponder) {
    if (!m_services.currentTarget || !m_services.setCurrent) return;
    TuneTarget target = m_services.currentTarget();
    if (target.satellite != satellite || target.transponder != transponder) return;
    m_db.ReadTransponder(satellite, transponder, target.tp);
    m_services.setCurrent(target);
}

bool CSatTreeDlg::DeleteSelected() {
    QTreeWidgetItem* item = m_tree->currentItem();
    if (!m_clicked || item == nullptr) {
        Tell(sattree_texts::PickToDelete());
        return false;
    }
    return IsTransponder(item) ? DeleteTransponderItem(item) : DeleteSatelliteItem(item);
}

// Says why a delete left the file as it was; false when it did not.
bool CSatTreeDlg::DeleteRefused(DeleteOutcome outcome) {
    if (outcome == DeleteOutcome::WriteFailed) {
        TellNotWritten(m_db);
        return true;
    }
    if (outcome == DeleteOutcome::CountOutOfRange) {
        Tell(CChannelDatabase::CountOutOfRangeMessage());
        return true;
    }
    return false;
}

bool CSatTreeDlg::DeleteTransponderItem(QTreeWidgetItem* item) {
    QTreeWidgetItem* satellite = item->parent();
    const DeleteOutcome outcome = m_db.DeleteTransponder(ItemName(satellite), ItemName(item));
    if (DeleteRefused(outcome)) return false;
    delete item;
    // The satellite went with its last transponder.
    if (outcome == DeleteOutcome::SatelliteDeleted) delete satellite;
    return true;
}

bool CSatTreeDlg::DeleteSatelliteItem(QTreeWidgetItem* item) {
    if (DeleteRefused(m_db.DeleteSatellite(ItemName(item)))) return false;
    delete item;  // with its transponders
    return true;
}

}  // namespace orbix
