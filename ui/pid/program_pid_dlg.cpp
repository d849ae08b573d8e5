#include "ui/pid/program_pid_dlg.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "db/program_vocabulary.h"
#include "platform/text.h"
#include "ui/qt_text.h"

namespace orbix {

namespace {

QLineEdit* ReadOnlyEdit(int maxLength) {
    auto* edit = new QLineEdit;
    edit->setReadOnly(true);
    if (maxLength > 0) edit->setMaxLength(maxLength);
    return edit;
}

}  // namespace

CProgramPidDlg::CProgramPidDlg(QWidget* parent)
    : QDialog(parent),
      m_name(ReadOnlyEdit(0)),
      m_type(new QComboBox),
      m_audio1(ReadOnlyEdit(4)),
      m_audio2(ReadOnlyEdit(4)),
      m_pcr(ReadOnlyEdit(4)),
      m_video(ReadOnlyEdit(4)),
      m_provider(ReadOnlyEdit(0)),
      m_form(new QFormLayout) {
    setWindowTitle(TrUtf8("节目PID参数"));
    for (const ProgramGroup group : {ProgramGroup::Radio, ProgramGroup::Tv})
        m_type->addItem(TrGbk(GroupText(group)));
    m_type->model()->sort(0);
    m_type->setEnabled(false);
    QFormLayout* form = m_form;
    form->addRow(TrUtf8("节目名："), m_name);
    form->addRow(TrUtf8("节目类型"), m_type);
    form->addRow(TrUtf8("音频PID1"), m_audio1);
    form->addRow(TrUtf8("音频PID2"), m_audio2);
    form->addRow(QStringLiteral("PCR PID"), m_pcr);
    form->addRow(TrUtf8("视频PID"), m_video);
    form->addRow(TrUtf8("提供商"), m_provider);
    form->setRowVisible(m_provider, false);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    buttons->button(QDialogButtonBox::Ok)->setText(TrUtf8("确定"));
    buttons->button(QDialogButtonBox::Cancel)->setText(TrUtf8("取消"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

void CProgramPidDlg::SetProgram(const ProgramEntry& program) {
    name = program.name;
    type = program.type;
    audioPid1 = program.audioPid1;
    audioPid2 = program.audioPid2;
    videoPid = program.videoPid;
    pcrPid = program.pcrPid;
}

void CProgramPidDlg::showEvent(QShowEvent* event) {
    ExchangeData();
    QDialog::showEvent(event);
}

void CProgramPidDlg::ExchangeData() {
    m_name->setText(FromGbk(name));
    // The stored text is shown as stored; the list only offers the two types.
    const QString typeText = TrGbk(type);
    const int match = m_type->findText(typeText, Qt::MatchStartsWith);
    m_type->setEditable(match < 0);
    if (match >= 0)
        m_type->setCurrentIndex(match);
    else
        m_type->setEditText(typeText);
    m_audio1->setText(FromGbk(audioPid1));
    m_audio2->setText(FromGbk(audioPid2));
    m_pcr->setText(FromGbk(pcrPid));
    m_video->setText(FromGbk(videoPid));
    m_provider->setText(FromGbk(provider));
    m_form->setRowVisible(m_provider, !provider.empty());
}

}  // namespace orbix
