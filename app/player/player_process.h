#pragma once

#include <QProcess>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/player/player_core.h"

namespace orbix {

// The one player process this program started. It is started from an
// argument list (never through a shell), as the user RunAs names, and is
// only ever ended through its own handle. Starting and stopping return at
// once: the waits run on a timer and the process's own signals, and their
// outcome comes back through a callback from the event loop of the thread
// that owns this object (the UI thread).
class CPlayerProcess {
  public:
    CPlayerProcess();
    // Ends a player still there, waiting for it (see EndNow).
    ~CPlayerProcess();
    CPlayerProcess(const CPlayerProcess&) = delete;
    CPlayerProcess& operator=(const CPlayerProcess&) = delete;

    enum class StartResult { Started, CouldNotStart, ExitedAtOnce };
    using StartDone = std::function<void(StartResult)>;
    using StopDone = std::function<void(bool ended)>;

    // Starts program with arguments as runAs says; done tells how it went. A
    // player still running after startupGraceMs counts as started; one that
    // ends sooner is told as soon as it has. A previous process must have
    // been stopped first.
    void Start(const std::string& program, const std::vector<std::string>& arguments,
               const player::RunAs& runAs, int startupGraceMs, StartDone done);

    // Asks the player to end, kills it after graceMs, and forgets it; done
    // tells whether it ended, false when it would not even after being killed
    // for graceMs (it is then kept). A start still pending is given up: its
    // callback never runs. Asked again while a stop is under way, the first
    // one goes on.
    void Stop(int graceMs, StopDone done);

    // Ends the player at once, waiting up to graceMs for it to go after being
    // asked and again after being killed. For the end of the program only,
    // when no event loop is left to finish a stop; no callback runs.
    void EndNow(int graceMs);

    bool HasProcess() const { return m_process != nullptr; }
    bool Running() const;
    // A start or a stop is under way.
    bool Busy() const { return m_phase == Phase::Starting || m_phase == Phase::Stopping; }

  private:
    enum class Phase { None, Starting, Started, Stopping };
    // The timer's turn: the start's grace is over or the player ended; the
    // stop's grace is over or the player ended.
    void OnTimer();
    void FinishStart();
    void FinishStop();
    void Forget();
    void RemoveHome();

    std::unique_ptr<QProcess> m_process;
    // The private home made for a user without one; removed with the player.
    std::string m_home;
    Phase m_phase = Phase::None;
    QTimer m_timer;  // single shot: the grace period, or 0 once the player ended
    StartDone m_startDone;
    StopDone m_stopDone;
    int m_stopGraceMs = 0;
    bool m_killed = false;
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
