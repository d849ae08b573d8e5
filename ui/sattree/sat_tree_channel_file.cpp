// The satellite tree's channel file commands: import a DVBv5 channel file as
// a satellite, export a satellite as one.
#include <QMenu>
#include <QTreeWidget>
#include <filesystem>

#include "db/channel_import.h"
#include "platform/text.h"
#include "ui/qt_text.h"
#include "ui/sattree/sat_tree_dlg.h"
#include "ui/sattree/sat_tree_item.h"
#include "ui/sattree/sat_tree_texts.h"

namespace orbix {
namespace {

constexpr const char* kScanTables = "/usr/share/dvb/dvb-s";

std::string Joined(const std::vector<std::string>& lines) {
    std::string out;
    for (const std::string& line : lines) out += (out.empty() ? "" : "\n") + line;
    return out;
}

}  // namespace

IChannelFileDialog& CSatTreeDlg::ChannelFileDialog() {
    if (m_services.channelFileDialog) return *m_services.channelFileDialog;
    if (!m_ownFileDialog) m_ownFileDialog = std::make_unique<CQtChannelFileDialog>(this);
    return *m_ownFileDialog;
}

void CSatTreeDlg::ShowChannelFileMenu(const QPoint& at) {
    QMenu menu(this);
    connect(menu.addAction(TrUtf8(sattree_texts::kImportItem)), &QAction::triggered, this,
            [this] { ImportChannelFile(); });
    connect(menu.addAction(TrUtf8(sattree_texts::kExportItem)), &QAction::triggered, this,
            [this] { ExportSelectedSatellite(); });
    menu.exec(m_tree->viewport()->mapToGlobal(at));
}

bool CSatTreeDlg::ImportChannelFile() {
    std::error_code ignored;
    const std::string start =
        std::filesystem::is_directory(kScanTables, ignored) ? kScanTables : "";
    const auto choice = ChannelFileDialog().AskImport(start);
    if (!choice) return false;
    const ImportResult result = orbix::ImportChannelFile(m_db, choice->path, {}, choice->lnb);
    if (result.merge.added > 0) {
        const int n = m_db.CountTransponders(result.satellite);
        for (int k = 1; k <= n; ++k) {
            std::string name;
            if (m_db.GetTransponderName(result.satellite, k, name) > 0)
                AddToTree(result.satellite, name);
        }
    }
    Tell(Joined(result.messages));
    return result.outcome == TransferOutcome::Done && result.merge.added > 0;
}

bool CSatTreeDlg::ExportSelectedSatellite() {
    QTreeWidgetItem* item = m_tree->currentItem();
    if (sattree::IsTransponder(item)) item = item->parent();
    if (item == nullptr) {
        Tell(Gbk(sattree_texts::kPickToExport));
        return false;
    }
    const std::string satellite = sattree::ItemName(item);
    const auto path = ChannelFileDialog().AskExportPath(Utf8(satellite));
    if (!path) return false;
    const ExportResult result = ExportSatellite(m_db, satellite, *path);
    Tell(Joined(result.messages));
    return result.outcome == TransferOutcome::Done;
}

}  // namespace orbix
