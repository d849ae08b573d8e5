#pragma once

#include <QWidget>
#include <functional>
#include <string>

#include "app/card_session.h"
#include "app/player/player_control.h"
#include "app/player/save_dialog.h"

namespace orbix {

// The main window's player: the play, stop and save commands together with
// the database handle and the save dialog they use.
class CReceiverPlayer {
  public:
    CReceiverPlayer(QWidget* owner, CCardSession& session, INotices& notices,
                    std::function<bool()> locked,
                    std::function<void(const std::string&)> statusLabel,
                    std::function<void()> stateChanged, PlayerOptions options = {})
        : m_database(session.DatabasePath()),
          m_saveDialog(owner),
          m_control({session.PidFilter(), m_database, notices, m_saveDialog, std::move(locked),
                     std::move(statusLabel), std::move(stateChanged)},
                    std::move(options)) {}

    CPlayerControl& Control() { return m_control; }
    const CPlayerControl& Control() const { return m_control; }

  private:
    CChannelDatabase m_database;
    CQtSaveFileDialog m_saveDialog;
    CPlayerControl m_control;
};

}  // namespace orbix
