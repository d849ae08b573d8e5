#pragma once

#include <QTimer>
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
class CPlayerControl {
  public:
    explicit CPlayerControl(PlayerCollaborators collaborators, PlayerOptions options = {});
    ~CPlayerControl();
    CPlayerControl(const CPlayerControl&) = delete;
    CPlayerControl& operator=(const CPlayerControl&) = delete;

    // Buttons. selection is nullopt when nothing is selected.
    void PlayCommand(const std::optional<ProgramSelection>& selection);
    void StopCommand();
    void SaveCommand(const std::optional<ProgramSelection>& selection);

    // The play and record paths the buttons and the program list share, after
    // their own checks: start the player, send the program's PIDs, show the
    // program in the label.
    void PlayProgram(const ProgramSelection& program);
    // started runs once the recording runs.
    void RecordProgram(const ProgramSelection& program, const std::function<void()>& started = {});

    // Stops any player, then starts one playing the stream. True when it
    // runs; a failure has been told to the user.
    bool StartPlayer(const std::string& group);
    // Asks for the file and starts a recording player. True when it runs;
    // false when the user cancelled (nothing changes) or it failed (told).
    bool StartRecording();
    // Clears the program PIDs and ends the player this program started.
    // False, with flags and label unchanged, when there was none or it would
    // not end.
    bool StopPlayer();
    // Reads the program by name and gives its PIDs to the filter.
    bool SendProgramPids(const std::string& name);

    bool Playing() const { return m_playing; }
    bool Saving() const { return m_saving; }
    const ProgramEntry& CurrentProgram() const { return m_currentProgram; }
    const std::string& LastSavedProgram() const { return m_lastSavedProgram; }

  private:
    std::optional<std::string> CheckSave(const std::optional<ProgramSelection>& selection);
    bool ConfirmReplaceRecording(const std::string& text);
    // The stored program of that name, else the one sent last.
    ProgramEntry ProgramNamed(const std::string& name) const;
    // Whether the program's PIDs fit beside the user's; tells the user when not.
    bool RoomFor(const std::string& name);
    bool Launch(const std::vector<std::string>& arguments, const player::RunAs& runAs);
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
};

}  // namespace orbix
