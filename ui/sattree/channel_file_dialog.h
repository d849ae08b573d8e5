#pragma once

#include <optional>
#include <string>

#include "db/transponder_merge.h"

class QWidget;

namespace orbix {

// A channel file to import and the LNB its transponders are received with.
struct ImportChoice {
    std::string path;  // local 8-bit encoding
    LnbChoice lnb;
};

// Asks the user for the files of the channel file import and export. Tests
// script the answers.
class IChannelFileDialog {
  public:
    virtual ~IChannelFileDialog() = default;
    // A file to open, starting in startDir, and the LNB; nullopt when cancelled.
    virtual std::optional<ImportChoice> AskImport(const std::string& startDir) = 0;
    // Where to save the export, suggesting suggestedName (UTF-8); nullopt when
    // cancelled.
    virtual std::optional<std::string> AskExportPath(const std::string& suggestedName) = 0;
};

// The modal Qt file dialogs, with the LNB asked in a list after the file.
class CQtChannelFileDialog final : public IChannelFileDialog {
  public:
    explicit CQtChannelFileDialog(QWidget* parent) : m_parent(parent) {}
    std::optional<ImportChoice> AskImport(const std::string& startDir) override;
    std::optional<std::string> AskExportPath(const std::string& suggestedName) override;

  private:
    QWidget* m_parent;
};

}  // namespace orbix
