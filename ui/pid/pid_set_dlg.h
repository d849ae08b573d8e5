#pragma once

#include <QDialog>
#include <vector>

#include "ui/pid/pid_list.h"

class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;

namespace orbix {

class CChannelDatabase;
class CPidFilter;
class INotices;

// "PID设置": the user's list of up to 32 IP-data PIDs, each with a check
// box. Confirm stores the list in section "IP" and gives the ticked PIDs to
// the PID filter as the user class; cancel touches nothing. Run it with
// exec().
class CPidSetDlg : public QDialog {
  public:
    CPidSetDlg(CChannelDatabase& database, CPidFilter& pidFilter, INotices& notices,
               QWidget* parent = nullptr);

    // Validates the new PID text and appends it, ticked.
    void AddPid();
    void DeleteSelected();
    void DeleteAll();
    void TickAll(bool ticked);

    // The list as it stands.
    std::vector<pidlist::PidItem> Items() const;

    // For tests.
    QLineEdit* NewPidEdit() const { return m_newPid; }
    QListWidget* List() const { return m_list; }
    QPushButton* AddButton() const { return m_add; }
    QRadioButton* SelectAllButton() const { return m_all; }
    QRadioButton* SelectNoneButton() const { return m_none; }
    QPushButton* DeleteButton() const { return m_delete; }
    QPushButton* DeleteAllButton() const { return m_deleteAll; }
    QPushButton* OkButton() const { return m_ok; }
    QPushButton* CancelButton() const { return m_cancel; }

    void accept() override;

  protected:
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void AppendItem(const pidlist::PidItem& item);
    void Refuse(pidlist::AddCheck check);

    CChannelDatabase& m_database;
    CPidFilter& m_pidFilter;
    INotices& m_notices;
    QLineEdit* m_newPid;
    QListWidget* m_list;
    QPushButton* m_add;
    QRadioButton* m_all;
    QRadioButton* m_none;
    QPushButton* m_delete;
    QPushButton* m_deleteAll;
    QPushButton* m_ok;
    QPushButton* m_cancel;
};

}  // namespace orbix
