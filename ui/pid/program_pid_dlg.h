#pragma once

#include <QDialog>
#include <string>

#include "db/channel_database.h"

class QComboBox;
class QFormLayout;
class QLineEdit;

namespace orbix {

// "节目PID参数": one stored program's name, type and PIDs, read only. The
// caller sets the six texts (GBK, as stored) and runs it with exec(); nothing
// is written back whatever the user does.
class CProgramPidDlg : public QDialog {
  public:
    explicit CProgramPidDlg(QWidget* parent = nullptr);

    // Fills the six texts from a program record.
    void SetProgram(const ProgramEntry& program);

    std::string name;
    std::string type;
    std::string audioPid1;
    std::string audioPid2;
    std::string pcrPid;
    std::string videoPid;
    // The service's provider, shown in a row of its own when not empty.
    std::string provider;

    // For tests: what the controls show.
    QLineEdit* NameEdit() const { return m_name; }
    QComboBox* TypeBox() const { return m_type; }
    QLineEdit* AudioPid1Edit() const { return m_audio1; }
    QLineEdit* AudioPid2Edit() const { return m_audio2; }
    QLineEdit* PcrPidEdit() const { return m_pcr; }
    QLineEdit* VideoPidEdit() const { return m_video; }
    QLineEdit* ProviderEdit() const { return m_provider; }

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void ExchangeData();

    QLineEdit* m_name;
    QComboBox* m_type;
    QLineEdit* m_audio1;
    QLineEdit* m_audio2;
    QLineEdit* m_pcr;
    QLineEdit* m_video;
    QLineEdit* m_provider;
    QFormLayout* m_form;
};

}  // namespace orbix
