#include "ui/sattree/channel_file_dialog.h"

#include <QFile>
#include <QFileDialog>
#include <QInputDialog>

#include "ui/qt_text.h"
#include "ui/sattree/sat_tree_texts.h"

namespace orbix {
namespace {

std::optional<LnbChoice> AskLnb(QWidget* parent) {
    namespace t = sattree_texts;
    const QStringList items = {TrUtf8(t::kLnbUniversal), TrUtf8(t::kLnbC), TrUtf8(t::kLnbSingle)};
    bool ok = false;
    const QString item = QInputDialog::getItem(parent, TrUtf8(t::kLnbCaption),
                                               TrUtf8(t::kLnbPrompt), items, 0, false, &ok);
    if (!ok) return std::nullopt;
    if (item == items[0]) return LnbChoice{};
    if (item == items[1]) return LnbChoice{LnbChoice::Kind::CBand, 5150};
    const int lo = QInputDialog::getInt(parent, TrUtf8(t::kLnbCaption), TrUtf8(t::kLoPrompt), 10750,
                                        1, 20000, 1, &ok);
    if (!ok) return std::nullopt;
    return LnbChoice{LnbChoice::Kind::SingleLo, lo};
}

}  // namespace

std::optional<ImportChoice> CQtChannelFileDialog::AskImport(const std::string& startDir) {
    const QString file = QFileDialog::getOpenFileName(
        m_parent, TrUtf8(sattree_texts::kImportCaption), QFile::decodeName(startDir.c_str()));
    if (file.isEmpty()) return std::nullopt;
    auto lnb = AskLnb(m_parent);
    if (!lnb) return std::nullopt;
    return ImportChoice{QFile::encodeName(file).toStdString(), *lnb};
}

std::optional<std::string> CQtChannelFileDialog::AskExportPath(const std::string& suggestedName) {
    const QString file =
        QFileDialog::getSaveFileName(m_parent, TrUtf8(sattree_texts::kExportCaption),
                                     QString::fromStdString(suggestedName + ".conf"));
    if (file.isEmpty()) return std::nullopt;
    return QFile::encodeName(file).toStdString();
}

}  // namespace orbix
