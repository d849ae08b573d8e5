#include "ui/pid/pid_set_dlg.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>

#include "card/pid_filter.h"
#include "db/channel_database.h"
#include "platform/notices.h"
#include "platform/text.h"
#include "ui/qt_text.h"

namespace orbix {

namespace {

// Enter must never press a button of this dialog by itself.
QPushButton* PlainButton(const char* textUtf8) {
    auto* button = new QPushButton(TrUtf8(textUtf8));
    button->setAutoDefault(false);
    button->setDefault(false);
    return button;
}

// Shows letters in upper case as they are typed.
class CUpperCaseValidator final : public QValidator {
  public:
    using QValidator::QValidator;
    State validate(QString& input, int&) const override {
        input = input.toUpper();
        return Acceptable;
    }
};

}  // namespace

CPidSetDlg::CPidSetDlg(CChannelDatabase& database, CPidFilter& pidFilter, INotices& notices,
                       QWidget* parent)
    : QDialog(parent),
      m_database(database),
      m_pidFilter(pidFilter),
      m_notices(notices),
      m_newPid(new QLineEdit),
      m_list(new QListWidget),
      m_add(PlainButton("增加")),
      m_all(new QRadioButton(TrUtf8("全选"))),
      m_none(new QRadioButton(TrUtf8("全不选"))),
      m_delete(PlainButton("删除")),
      m_deleteAll(PlainButton("删除所有")),
      m_ok(PlainButton("确定")),
      m_cancel(PlainButton("取消")) {
    setWindowTitle(TrUtf8("PID设置"));
    m_newPid->setMaxLength(pidlist::kMaxPidText);
    m_newPid->setValidator(new CUpperCaseValidator(m_newPid));
    m_list->setFlow(QListView::LeftToRight);
    m_list->setWrapping(true);
    m_list->setResizeMode(QListView::Adjust);

    auto* grid = new QGridLayout(this);
    grid->addWidget(new QLabel(TrUtf8("新PID值(十六进制)")), 0, 0);
    grid->addWidget(m_newPid, 0, 1);
    grid->addWidget(m_add, 0, 2);
    grid->addWidget(m_list, 1, 0, 1, 3);
    auto* row = new QHBoxLayout;
    for (QWidget* w : std::initializer_list<QWidget*>{m_all, m_none, m_delete, m_deleteAll})
        row->addWidget(w);
    grid->addLayout(row, 2, 0, 1, 3);
    auto* confirm = new QHBoxLayout;
    confirm->addStretch();
    confirm->addWidget(m_ok);
    confirm->addWidget(m_cancel);
    grid->addLayout(confirm, 3, 0, 1, 3);

    connect(m_add, &QPushButton::clicked, this, &CPidSetDlg::AddPid);
    connect(m_delete, &QPushButton::clicked, this, &CPidSetDlg::DeleteSelected);
    connect(m_deleteAll, &QPushButton::clicked, this, &CPidSetDlg::DeleteAll);
    connect(m_all, &QRadioButton::clicked, this, [this] { TickAll(true); });
    connect(m_none, &QRadioButton::clicked, this, [this] { TickAll(false); });
    connect(m_ok, &QPushButton::clicked, this, &CPidSetDlg::accept);
    connect(m_cancel, &QPushButton::clicked, this, &CPidSetDlg::reject);

    for (const auto& item : pidlist::ItemsFromLists(m_database.ReadPidLists())) AppendItem(item);
    m_newPid->setFocus();
}

void CPidSetDlg::AppendItem(const pidlist::PidItem& item) {
    auto* entry = new QListWidgetItem(QString::fromStdString(item.text), m_list);
    entry->setFlags(entry->flags() | Qt::ItemIsUserCheckable);
    entry->setCheckState(item.ticked ? Qt::Checked : Qt::Unchecked);
}

std::vector<pidlist::PidItem> CPidSetDlg::Items() const {
    std::vector<pidlist::PidItem> items;
    for (int i = 0; i < m_list->count(); ++i) {
        const QListWidgetItem* entry = m_list->item(i);
        items.push_back({entry->text().toStdString(), entry->checkState() == Qt::Checked});
    }
    return items;
}

void CPidSetDlg::Refuse(pidlist::AddCheck check) {
    const pidlist::Refusal refusal = pidlist::RefusalFor(check);
    m_notices.Show(
        {Gbk(refusal.textUtf8), Gbk(refusal.captionUtf8), NoticeButtons::Ok, NoticeIcon::None});
    if (refusal.clearEdit) {
        m_newPid->clear();
        m_newPid->setFocus();
    }
}

void CPidSetDlg::AddPid() {
    const std::string text = m_newPid->text().toStdString();
    const pidlist::AddCheck check = pidlist::CheckNewPid(Items(), text);
    if (check != pidlist::AddCheck::Ok) return Refuse(check);
    AppendItem({text, true});
    m_newPid->clear();
    m_newPid->setFocus();
}

void CPidSetDlg::DeleteSelected() {
    const QList<QListWidgetItem*> selected = m_list->selectedItems();
    if (selected.isEmpty()) return;
    delete selected.constFirst();
}

void CPidSetDlg::DeleteAll() { m_list->clear(); }

void CPidSetDlg::TickAll(bool ticked) {
    for (int i = 0; i < m_list->count(); ++i)
        m_list->item(i)->setCheckState(ticked ? Qt::Checked : Qt::Unchecked);
}

void CPidSetDlg::accept() {
    const std::vector<pidlist::PidItem> items = Items();
    // A list the file did not take is neither applied nor closed over.
    if (!m_database.WritePidLists(pidlist::ListsFromItems(items))) {
        m_notices.Tell(m_database.WriteFailedMessage());
        return;
    }
    const std::vector<std::uint16_t> ticked = pidlist::TickedValues(items);
    m_pidFilter.SetUserPids(ticked);
    QDialog::accept();
}

void CPidSetDlg::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (!m_newPid->text().isEmpty()) {
                m_add->setFocus();
                AddPid();
            }
            return;
        case Qt::Key_Escape:
            return;
        default:
            QDialog::keyPressEvent(event);
    }
}

}  // namespace orbix
