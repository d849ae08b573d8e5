#pragma once

#include <QDialog>
#include <functional>
#include <optional>

#include "db/channel_database.h"
#include "platform/notices.h"

class QComboBox;
class QLineEdit;
class QPushButton;

namespace orbix {

struct SatParamFields;

// The parameter dialog (resource 144, "卫星参数设置") for adding a transponder
// and for editing one. It exchanges a TransponderParams: texts are GBK in the
// record and converted at the controls. In edit mode the two names cannot be
// changed. OK keeps the dialog open, with a warning, while the frequency or the
// symbol rate does not parse; Enter and Escape never close it.
class CSatParamDlg : public QDialog {
    Q_OBJECT

  public:
    explicit CSatParamDlg(INotices& notices, QWidget* parent = nullptr);

    // 1 adds, 0 edits. Adding presets the fields (see AddDefaults).
    void SetAddMode(bool add);
    // Shows the record in the controls.
    void SetParams(const TransponderParams& tp);
    // The record as the controls held it when OK was accepted.
    const TransponderParams& Params() const { return m_params; }

    // What the add command offers: 22K "关", band "Ku", FEC "自动", DiSEqC
    // "关", polarisation "垂直", LNB "5150", transponder "Transponder", both
    // numbers 0, and the given satellite.
    static TransponderParams AddDefaults(const std::string& satelliteGbk);

    // The controls, for tests that type into them.
    QLineEdit* SatelliteEdit() const { return m_satellite; }
    QLineEdit* TransponderEdit() const { return m_transponder; }
    QLineEdit* FrequencyEdit() const { return m_frequency; }
    QLineEdit* SymbolRateEdit() const { return m_symbolRate; }
    QComboBox* LnbCombo() const { return m_lnb; }
    QPushButton* OkButton() const { return m_ok; }
    QPushButton* CancelButton() const { return m_cancel; }

  public slots:
    void accept() override;

  protected:
    void keyPressEvent(QKeyEvent* event) override;

  private:
    friend struct SatParamFields;

    void BuildControls();
    // Reads the controls into out; false, after the warning, when a number
    // does not parse.
    bool ReadBack(TransponderParams& out);
    bool Refuse(QLineEdit* edit, const std::string& warningGbk);

    INotices& m_notices;
    TransponderParams m_params;
    QLineEdit* m_satellite = nullptr;
    QLineEdit* m_transponder = nullptr;
    QLineEdit* m_frequency = nullptr;
    QLineEdit* m_symbolRate = nullptr;
    QComboBox* m_polarisation = nullptr;
    QComboBox* m_lnb = nullptr;
    QComboBox* m_fec = nullptr;
    QComboBox* m_diseqc = nullptr;
    QComboBox* m_band = nullptr;
    QComboBox* m_tone22k = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;
};

// Runs the parameter dialog: the initial record, true for adding; the record
// on OK, nothing on Cancel. The window takes one of these so tests can script
// the answers; RunSatParamDialog is the real, modal one.
using SatParamDialogFn =
    std::function<std::optional<TransponderParams>(const TransponderParams& initial, bool addMode)>;

std::optional<TransponderParams> RunSatParamDialog(INotices& notices, QWidget* parent,
                                                   const TransponderParams& initial, bool addMode);

}  // namespace orbix
