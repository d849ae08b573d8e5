#include "app/player/save_dialog.h"

#include <QFile>
#include <QFileDialog>

namespace orbix {

std::optional<std::string> CQtSaveFileDialog::AskSavePath() {
    QFileDialog dialog(m_parent);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix("mpg");
    dialog.setNameFilters({"Mpeg File(*.mpg)", "ALL File(*.*)"});
    dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return QFile::encodeName(dialog.selectedFiles().constFirst()).toStdString();
}

}  // namespace orbix
