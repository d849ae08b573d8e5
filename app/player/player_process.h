#pragma once

#include <QProcess>
#include <memory>
#include <string>
#include <vector>

#include "app/player/player_core.h"

namespace orbix {

// The one player process this program started. It is started from an
// argument list (never through a shell), as the user RunAs names, and is
// only ever ended through its own handle.
class CPlayerProcess {
  public:
    CPlayerProcess() = default;
    ~CPlayerProcess();
    CPlayerProcess(const CPlayerProcess&) = delete;
    CPlayerProcess& operator=(const CPlayerProcess&) = delete;

    enum class StartResult { Started, CouldNotStart, ExitedAtOnce };

    // Starts program with arguments as runAs says. A player still running
    // after startupGraceMs counts as started. A previous process must have
    // been stopped first.
    StartResult Start(const std::string& program, const std::vector<std::string>& arguments,
                      const player::RunAs& runAs, int startupGraceMs = 1000);

    bool HasProcess() const { return m_process != nullptr; }
    bool Running() const;

    // Asks the player to end, kills it after graceMs, and forgets it. False
    // when it would not end even then.
    bool Stop(int graceMs = 3000);

  private:
    void RemoveHome();

    std::unique_ptr<QProcess> m_process;
    // The private home made for a user without one; removed with the player.
    std::string m_home;
};

// A fresh private folder for user in parent, mode 0700 and owned by the
// user, made so that no other user can have made it first; "" when it
// cannot be made (changing its owner needs root).
std::string MakePlayerHome(const std::string& parent, const player::UserInfo& user);

// The groups of user (its primary group and those it is listed in).
std::vector<unsigned> GroupsOf(const player::UserInfo& user);

// Who runs the player when this process starts one now.
player::RunAs CurrentRunAs();

// The player program to start, or "" when none is found (see FindPlayer).
std::string LocatePlayer();

}  // namespace orbix
