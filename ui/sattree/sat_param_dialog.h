#pragma once

#include <QDialog>
#include <functional>
#include <optional>

#include "db/channel_database.h"
#include "db/tuning_check.h"
#include "platform/notices.h"

class QComboBox;
class QLineEdit;
class QPushButton;

namespace orbix {

struct SatParamFields;

// What OK does with the record read from the controls: true closes the
// dialog; false keeps it open with what the user typed (the check has told
// the user why).
using SatParamAccept = std::function<bool(const TransponderParams&)>;

// The parameter dialog (resource 144, "卫星参数设置") for adding a transponder
// and for editing one. It exchanges a TransponderParams: texts are GBK in the
// record and converted at the controls. In edit mode the two names cannot be
// changed. OK keeps the dialog open, with a warning naming the field and its
// range, while the frequency, the symbol rate or the LO is not a number in
// range (db/tuning_check.h), and while the accept check refuses; Enter and
// Escape never close it.
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
    // Run on OK once the values are in range; empty accepts.
    void SetAcceptCheck(SatParamAccept check) { m_acceptCheck = std::move(check); }

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
    QComboBox* FecCombo() const { return m_fec; }
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
    bool Refuse(QWidget* field, const std::string& warningGbk);
    QWidget* FieldControl(TuningField field) const;

    INotices& m_notices;
    TransponderParams m_params;
    SatParamAccept m_acceptCheck;
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

// Runs the parameter dialog: the initial record, true for adding, and the
// accept check; the record the check accepted, nothing on Cancel. The window
// takes one of these so tests can script the answers; RunSatParamDialog is
// the real, modal one.
using SatParamDialogFn = std::function<std::optional<TransponderParams>(
    const TransponderParams& initial, bool addMode, const SatParamAccept& accept)>;

std::optional<TransponderParams> RunSatParamDialog(INotices& notices, QWidget* parent,
                                                   const TransponderParams& initial, bool addMode,
                                                   const SatParamAccept& accept = {});

}  // namespace orbix
