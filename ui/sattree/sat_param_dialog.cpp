#include "ui/sattree/sat_param_dialog.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <array>
#include <cmath>
#include <initializer_list>
#include <string_view>

#include "db/name_check.h"
#include "platform/text.h"
#include "ui/qt_text.h"
#include "ui/sattree/sat_tree_texts.h"

namespace orbix {

// One list field of the dialog: its label, its choices (UTF-8) and the record
// field it exchanges. Every list is editable; typed text is kept unchanged.
struct SatParamCombo {
    QComboBox* CSatParamDlg::*control;
    std::string_view label;
    std::initializer_list<std::string_view> items;
    std::string TransponderParams::*field;
};
using ComboField = SatParamCombo;

// A friend of the dialog, so the table can name its controls.
struct SatParamFields {
    static const std::array<ComboField, 6>& Combos();
};

const std::array<ComboField, 6>& SatParamFields::Combos() {
    static const std::array<ComboField, 6> combos{{
        {&CSatParamDlg::m_polarisation,
         "供电方式：",
         {"垂直", "水平", "关"},
         &TransponderParams::polarisation},
        {&CSatParamDlg::m_lnb,
         "LNB类型：",
         {"5150", "9300", "9750", "10000", "10600", "10750", "11250", "11300", "自定义"},
         &TransponderParams::lnbFrequency},
        {&CSatParamDlg::m_fec,
         "前向纠错：",
         {"1/2", "2/3", "3/4", "5/6", "7/8", "自动"},
         &TransponderParams::fec},
        {&CSatParamDlg::m_diseqc, "DiSEqc", {"关", "开"}, &TransponderParams::diseqc},
        {&CSatParamDlg::m_band, "波段：", {"C", "Ku"}, &TransponderParams::band},
        {&CSatParamDlg::m_tone22k, "22K", {"关", "开"}, &TransponderParams::tone22k},
    }};
    return combos;
}

namespace {

// The choices are stored in Chinese and shown in the interface language; a
// text the user typed is stored as typed.
QString ShownChoice(const ComboField& c, const std::string& storedGbk) {
    for (std::string_view item : c.items)
        if (Gbk(item) == storedGbk) return TrUtf8(item);
    return FromGbk(storedGbk);
}

std::string StoredChoice(const ComboField& c, const QString& shown) {
    for (std::string_view item : c.items)
        if (TrUtf8(item) == shown) return Gbk(item);
    return ToGbk(shown);
}

}  // namespace

CSatParamDlg::CSatParamDlg(INotices& notices, QWidget* parent)
    : QDialog(parent), m_notices(notices) {
    setWindowTitle(TrUtf8("卫星参数设置"));
    BuildControls();
    SetParams(m_params);
}

void CSatParamDlg::BuildControls() {
    auto* grid = new QGridLayout;
    int row = 0;
    auto addEdit = [&](QLineEdit*& edit, std::string_view label, std::string_view unit) {
        edit = new QLineEdit(this);
        grid->addWidget(new QLabel(TrUtf8(label), this), row, 0);
        grid->addWidget(edit, row, 1);
        if (!unit.empty()) grid->addWidget(new QLabel(TrUtf8(unit), this), row, 2);
        ++row;
    };
    addEdit(m_satellite, "卫星名：", {});
    addEdit(m_transponder, "转发器：", {});
    addEdit(m_frequency, "下行频率：", "[MHz]");
    addEdit(m_symbolRate, "符号率：", "[KSPS]");
    m_transponder->setMaxLength(static_cast<int>(kMaxTransponderNameChars));
    for (const ComboField& c : SatParamFields::Combos()) {
        QComboBox*& combo = this->*c.control;
        combo = new QComboBox(this);
        combo->setEditable(true);
        combo->setInsertPolicy(QComboBox::NoInsert);
        for (std::string_view item : c.items) combo->addItem(TrUtf8(item));
        grid->addWidget(new QLabel(TrUtf8(c.label), this), row, 0);
        grid->addWidget(combo, row, 1);
        ++row;
    }
    m_ok = new QPushButton(TrUtf8("确定"), this);
    m_cancel = new QPushButton(TrUtf8("取消"), this);
    // Only a click closes the dialog, never Enter on a focused button.
    for (QPushButton* b : {m_ok, m_cancel}) {
        b->setAutoDefault(false);
        b->setDefault(false);
    }
    connect(m_ok, &QPushButton::clicked, this, &CSatParamDlg::accept);
    connect(m_cancel, &QPushButton::clicked, this, &CSatParamDlg::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);
    auto* top = new QVBoxLayout(this);
    top->addLayout(grid);
    top->addLayout(buttons);
}

TransponderParams CSatParamDlg::AddDefaults(const std::string& satelliteGbk) {
    TransponderParams tp;
    tp.satellite = satelliteGbk;
    tp.name = "Transponder";
    tp.tone22k = Gbk("关");
    tp.band = "Ku";
    tp.fec = Gbk("自动");
    tp.diseqc = Gbk("关");
    tp.polarisation = Gbk("垂直");
    tp.lnbFrequency = "5150";
    return tp;
}

void CSatParamDlg::SetAddMode(bool add) {
    m_satellite->setEnabled(add);
    m_transponder->setEnabled(add);
}

void CSatParamDlg::SetParams(const TransponderParams& tp) {
    m_params = tp;
    m_satellite->setText(FromGbk(tp.satellite));
    m_transponder->setText(FromGbk(tp.name));
    m_frequency->setText(QString::number(static_cast<double>(tp.frequency), 'g', 7));
    m_symbolRate->setText(QString::number(tp.symbolRate));
    for (const ComboField& c : SatParamFields::Combos()) {
        (this->*c.control)->setEditText(ShownChoice(c, tp.*c.field));
    }
}

bool CSatParamDlg::Refuse(QWidget* field, const std::string& warningGbk) {
    m_notices.Show(Notice{warningGbk, {}, NoticeButtons::Ok, NoticeIcon::Warning});
    field->setFocus();
    if (auto* edit = qobject_cast<QLineEdit*>(field)) edit->selectAll();
    return false;
}

QWidget* CSatParamDlg::FieldControl(TuningField field) const {
    switch (field) {
        case TuningField::Frequency:
            return m_frequency;
        case TuningField::SymbolRate:
            return m_symbolRate;
        case TuningField::Lo:
            return m_lnb;
    }
    return m_frequency;
}

// A number that does not parse gets the same message as one out of range:
// both name the field and what it takes.
bool CSatParamDlg::ReadBack(TransponderParams& out) {
    bool ok = false;
    const float frequency = m_frequency->text().trimmed().toFloat(&ok);
    if (!ok || !std::isfinite(frequency))
        return Refuse(m_frequency, TuningRangeMessage(TuningField::Frequency));
    const int symbolRate = m_symbolRate->text().trimmed().toInt(&ok);
    if (!ok) return Refuse(m_symbolRate, TuningRangeMessage(TuningField::SymbolRate));
    out.satellite = ToGbk(m_satellite->text());
    out.name = ToGbk(m_transponder->text());
    out.frequency = frequency;
    out.symbolRate = symbolRate;
    for (const ComboField& c : SatParamFields::Combos()) {
        out.*c.field = StoredChoice(c, (this->*c.control)->currentText());
    }
    return true;
}

void CSatParamDlg::accept() {
    TransponderParams read = m_params;
    if (!ReadBack(read)) return;
    if (const std::optional<TuningField> bad = FirstBadTuningField(read)) {
        Refuse(FieldControl(*bad), TuningRangeMessage(*bad));
        return;
    }
    if (m_acceptCheck && !m_acceptCheck(read)) return;
    m_params = std::move(read);
    QDialog::accept();
}

void CSatParamDlg::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Escape:
            event->accept();
            return;
        default:
            QDialog::keyPressEvent(event);
    }
}

std::optional<TransponderParams> RunSatParamDialog(INotices& notices, QWidget* parent,
                                                   const TransponderParams& initial, bool addMode,
                                                   const SatParamAccept& accept) {
    CSatParamDlg dialog(notices, parent);
    dialog.SetAddMode(addMode);
    dialog.SetParams(initial);
    dialog.SetAcceptCheck(accept);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.Params();
}

}  // namespace orbix
