#pragma once

#include <QTimer>
#include <deque>
#include <functional>
#include <optional>
#include <string>

#include "app/player/player_core.h"
#include "app/player/player_process.h"
#include "app/player/save_dialog.h"
#include "card/pid_filter.h"
#include "db/channel_database.h"
#include "db/program_vocabulary.h"
#include "platform/notices.h"

namespace orbix {

// What the player commands work with; all owned elsewhere.
struct PlayerCollaborators {
    CPidFilter& pidFilter;
    CChannelDatabase& database;
    INotices& notices;
    ISaveFileDialog& saveDialog;
    std::function<bool()> locked;                         // the signal lock
    std::function<void(const std::string&)> statusLabel;  // GBK text of label 1061
    // Called when a start or stop of the player has settled (Playing() or
    // Saving() may have changed); may be empty.
    std::function<void()> stateChanged = {};
};

// How the player is found and started; the defaults are the real ones.
struct PlayerOptions {
    int port = 0;  // 0: the stream port
    std::function<std::string()> locatePlayer = LocatePlayer;
    std::function<player::RunAs()> runAs = CurrentRunAs;
    int startupGraceMs = 1000;
    int stopGraceMs = 3000;
    // A recording file still empty this long after the start is reported.
    int emptyRecordingMs = 5000;
};

// The play, stop and save buttons: starts the external player on the
// card's stream, hands the chosen program's PIDs to the PID filter, and
// stops the player this program started. UI thread only.
//
// Nothing here waits for the player: a start or stop runs on while the
// commands return, and what follows it (the label, the PIDs, a box) comes
// from the event loop once it has settled. Play and save pressed meanwhile
// run in order after it, as if each had waited its turn; stop takes effect at
// once, dropping those and giving up a start still pending.
class CPlayerControl {
  public:
    explicit CPlayerControl(PlayerCollaborators collaborators, PlayerOptions options = {});
    // Ends a player still there (the ordered shutdown has asked it already).
    ~CPlayerControl();
    CPlayerControl(const CPlayerControl&) = delete;
    CPlayerControl& operator=(const CPlayerControl&) = delete;

    // Buttons. selection is nullopt when nothing is selected.
    void PlayCommand(const std::optional<ProgramSelection>& selection);
    void StopCommand();
    void SaveCommand(const std::optional<ProgramSelection>& selection);

    // The play and record paths the buttons and the program list share, after
    // their own checks: start the player, then send the program's PIDs and
    // show the program in the label once it runs.
    void PlayProgram(const ProgramSelection& program);
    // started runs once the recording runs.
    void RecordProgram(const ProgramSelection& program, const std::function<void()>& started = {});

    // Clears the program PIDs and asks the player this program started to
    // end, dropping play and save commands still waiting. False when there
    // was none. Once it has ended the flags and label are cleared; one that
    // would not end is told and keeps them.
    bool StopPlayer();
    // Reads the program by name and gives its PIDs to the filter.
    bool SendProgramPids(const std::string& name);

    bool Playing() const { return m_playing; }
    bool Saving() const { return m_saving; }
    // A start or stop of the player is under way, or commands wait for one.
    bool Busy() const;
    const ProgramEntry& CurrentProgram() const { return m_currentProgram; }
    const std::string& LastSavedProgram() const { return m_lastSavedProgram; }

  private:
    // A player to start, and what follows once it runs or has failed.
    struct Launch {
        std::vector<std::string> arguments;
        player::RunAs runAs;
        std::string failText;  // told when it does not start
        std::function<void()> started;
    };

    // Runs command now, or after the start or stop under way and the
    // commands already waiting.
    void RunOrQueue(std::function<void()> command);
    void RunWaiting();
    // A start or stop has settled: tell the window, run what waits.
    void Settled();

    void Play(const std::optional<ProgramSelection>& selection);
    void Save(const std::optional<ProgramSelection>& selection);
    void StartPlaying(const ProgramSelection& program);
    void StartRecording(const ProgramSelection& program, const std::function<void()>& started);
    std::optional<std::string> CheckSave(const std::optional<ProgramSelection>& selection);
    bool ConfirmReplaceRecording(const std::string& text);
    // Asks for the recording file; nullopt when cancelled or refused (told).
    std::optional<std::string> AskRecordPath(const player::RunAs& runAs);
    // The stored program of that name, else the one sent last.
    ProgramEntry ProgramNamed(const std::string& name) const;
    // Whether the program's PIDs fit beside the user's; tells the user when not.
    bool RoomFor(const std::string& name);
    // Ends any player, then starts this one.
    void StartAfterStop(Launch launch);
    void StartNow(Launch launch);
    void Started(const Launch& launch, CPlayerProcess::StartResult result);
    // Checks the recording, clears the program PIDs and asks the player to
    // end; false when there is none.
    bool EndPlayer();
    void Ended(bool ended);
    // The stop button's own reset, also when nothing was to be ended.
    void ResetAfterStopButton();
    void Tell(const std::string& textGbk);
    // Tells the user, once per recording, when its file is still empty, and
    // whether the player ended or the card sent it nothing.
    void CheckRecordingFile();

    PlayerCollaborators m_c;
    PlayerOptions m_options;
    CPlayerProcess m_player;
    bool m_playing = false;
    bool m_saving = false;
    std::string m_lastSavedProgram;
    ProgramEntry m_currentProgram;
    std::string m_recordPath;  // the running recording's file, "" when none
    QTimer m_emptyCheck;
    // The start that waits for the previous player to end.
    std::optional<Launch> m_launchAfterStop;
    // Play and save commands given while a start or stop was under way.
    std::deque<std::function<void()>> m_waiting;
    bool m_stopButtonPending = false;  // the stop button's reset follows the end
};

}  // namespace orbix
