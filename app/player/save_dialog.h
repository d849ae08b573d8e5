#pragma once

#include <optional>
#include <string>

class QWidget;

namespace orbix {

// Asks the user where to save a recording. Tests script the answer.
class ISaveFileDialog {
  public:
    virtual ~ISaveFileDialog() = default;
    // The full path chosen (local 8-bit encoding), nullopt when cancelled.
    virtual std::optional<std::string> AskSavePath() = 0;
};

// The modal save dialog: default suffix mpg, the MPEG and all-files
// filters, a question before an existing file is overwritten, no initial
// name.
class CQtSaveFileDialog final : public ISaveFileDialog {
  public:
    explicit CQtSaveFileDialog(QWidget* parent = nullptr) : m_parent(parent) {}
    std::optional<std::string> AskSavePath() override;

  private:
    QWidget* m_parent;
};

}  // namespace orbix
