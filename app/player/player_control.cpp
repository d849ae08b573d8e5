#include "app/player/player_control.h"

#include <QFile>
#include <QString>
#include <filesystem>
#include <utility>

#include "app/player/player_texts.h"
#include "db/pid_list.h"
#include "platform/stream_port.h"
#include "platform/text.h"
#include "platform/text_template.h"

namespace orbix {

namespace {

// The values are GBK already; '%' is never the second byte of a GBK
// character, so the template is filled after its conversion.
std::string Format(std::string_view templ, const std::vector<std::string>& values) {
    return FillTemplate(Gbk(templ), values);
}

std::uint16_t Pid(const std::string& hex) { return static_cast<std::uint16_t>(HexToInt(hex)); }

ProgramPids PidsOf(const ProgramEntry& p) {
    return {Pid(p.pmtPid), Pid(p.pcrPid), Pid(p.videoPid), Pid(p.audioPid1), Pid(p.audioPid2)};
}

}  // namespace

CPlayerControl::CPlayerControl(PlayerCollaborators collaborators, PlayerOptions options)
    : m_c(std::move(collaborators)), m_options(std::move(options)) {
    if (m_options.port == 0) m_options.port = StreamPort();
    m_emptyCheck.setSingleShot(true);
    QObject::connect(&m_emptyCheck, &QTimer::timeout, &m_emptyCheck,
                     [this] { CheckRecordingFile(); });
}

// The one wait left: at the end of the program no event loop remains to
// finish a stop, and the player must not outlive the program.
CPlayerControl::~CPlayerControl() { m_player.EndNow(m_options.stopGraceMs); }

void CPlayerControl::Tell(const std::string& textGbk) { m_c.notices.Tell(textGbk); }

bool CPlayerControl::Busy() const {
    return m_player.Busy() || m_launchAfterStop || !m_waiting.empty();
}

void CPlayerControl::RunOrQueue(std::function<void()> command) {
    if (Busy()) return m_waiting.push_back(std::move(command));
    command();
}

void CPlayerControl::RunWaiting() {
    while (!m_waiting.empty() && !m_player.Busy() && !m_launchAfterStop) {
        const std::function<void()> command = std::move(m_waiting.front());
        m_waiting.pop_front();
        command();
    }
}

void CPlayerControl::Settled() {
    if (m_c.stateChanged) m_c.stateChanged();
    // From the event loop, not from inside the player's own callback.
    if (!m_waiting.empty()) QTimer::singleShot(0, &m_emptyCheck, [this] { RunWaiting(); });
}

void CPlayerControl::PlayCommand(const std::optional<ProgramSelection>& selection) {
    RunOrQueue([this, selection] { Play(selection); });
}

void CPlayerControl::Play(const std::optional<ProgramSelection>& selection) {
    if (!selection || selection->group) return Tell(Gbk("请选中您想播放的节目节目"));
    if (m_saving) return Tell(Gbk("正在保存节目，要停止保存请按关闭按纽!"));
    if (!m_c.locked()) return Tell(Gbk("请检查信号是否锁定!"));
    if (IsScrambledName(selection->text)) return Tell(Gbk("无法播放加扰节目!"));
    StartPlaying(*selection);
}

ProgramEntry CPlayerControl::ProgramNamed(const std::string& name) const {
    ProgramEntry found;
    return m_c.database.FindProgramByName(name, found) ? found : m_currentProgram;
}

bool CPlayerControl::RoomFor(const std::string& name) {
    const int needed = CPidFilter::SlotsFor(PidsOf(ProgramNamed(name)));
    const int room = m_c.pidFilter.ProgramRoom();
    if (needed <= room) return true;
    Tell(player_texts::NoPidRoom(needed, CPidFilter::kSlots - room));
    return false;
}

void CPlayerControl::PlayProgram(const ProgramSelection& program) {
    RunOrQueue([this, program] { StartPlaying(program); });
}

void CPlayerControl::StartPlaying(const ProgramSelection& program) {
    if (!RoomFor(program.text)) return;
    StartAfterStop({player::PlayArguments(m_options.port), m_options.runAs(),
                    Gbk("无法启动VLC播放器，请检查是否已安装VLC!"), [this, text = program.text] {
                        m_playing = true;
                        SendProgramPids(text);
                        m_c.statusLabel(Format(player_texts::kPlaying, {DisplayName(text)}));
                    }});
}

void CPlayerControl::RecordProgram(const ProgramSelection& program,
                                   const std::function<void()>& started) {
    RunOrQueue([this, program, started] { StartRecording(program, started); });
}

void CPlayerControl::StartRecording(const ProgramSelection& program,
                                    const std::function<void()>& started) {
    if (!RoomFor(program.text)) return;
    const player::RunAs runAs = m_options.runAs();
    const std::optional<std::string> path = AskRecordPath(runAs);
    if (!path) return;
    StartAfterStop({player::RecordArguments(m_options.port, *path), runAs, Gbk("保存失败!"),
                    [this, path = *path, text = program.text, started] {
                        m_saving = true;
                        m_recordPath = path;
                        m_emptyCheck.start(m_options.emptyRecordingMs);
                        SendProgramPids(text);
                        m_c.statusLabel(Format(player_texts::kSaving, {DisplayName(text)}));
                        if (started) started();
                    }});
}

void CPlayerControl::StopCommand() {
    m_waiting.clear();
    m_launchAfterStop.reset();
    m_stopButtonPending = EndPlayer();
    if (!m_stopButtonPending) ResetAfterStopButton();
}

void CPlayerControl::ResetAfterStopButton() {
    if (m_playing) {
        m_c.statusLabel(" ");
        m_playing = false;
        if (m_saving) {
            m_c.statusLabel(" ");
            m_saving = false;
        }
    }
}

std::optional<std::string> CPlayerControl::CheckSave(
    const std::optional<ProgramSelection>& selection) {
    if (!m_c.locked()) return Gbk("请检查信号是否锁定！");
    if (!selection || selection->text.empty()) return Gbk("请先搜索节目！");
    if (selection->group == ProgramGroup::Ip) return Gbk("不能保存IP节目");
    if (selection->group) return Gbk("请选中一个节目");
    const std::string& text = selection->text;
    if (IsScrambledName(text)) return Gbk("您所保存的是加扰节目，无法播放！");
    if (m_saving && m_lastSavedProgram == text)
        return Format(player_texts::kSaving, {m_lastSavedProgram});
    return std::nullopt;
}

bool CPlayerControl::ConfirmReplaceRecording(const std::string& text) {
    const std::string question =
        Format(player_texts::kReplaceRecording, {m_lastSavedProgram, m_lastSavedProgram, text});
    return m_c.notices.Show({question, "Warning", NoticeButtons::YesNo, NoticeIcon::Warning}) ==
           NoticeAnswer::Yes;
}

void CPlayerControl::SaveCommand(const std::optional<ProgramSelection>& selection) {
    RunOrQueue([this, selection] { Save(selection); });
}

void CPlayerControl::Save(const std::optional<ProgramSelection>& selection) {
    if (const auto refusal = CheckSave(selection)) return Tell(*refusal);
    if (m_saving && !ConfirmReplaceRecording(selection->text)) return;
    StartRecording(*selection, [this, text = selection->text] { m_lastSavedProgram = text; });
}

std::optional<std::string> CPlayerControl::AskRecordPath(const player::RunAs& runAs) {
    // A cancelled dialog leaves a running recording and its state alone.
    std::optional<std::string> path = m_c.saveDialog.AskSavePath();
    if (!path) return std::nullopt;
    if (runAs.switchUser && !player::CanWrite(*path, runAs.user.uid, GroupsOf(runAs.user))) {
        const std::string shown = Gbk(QFile::decodeName(path->c_str()).toStdString());
        Tell(Format(player_texts::kPlayerCannotWrite, {runAs.user.name, shown}));
        return std::nullopt;
    }
    return path;
}

void CPlayerControl::StartAfterStop(Launch launch) {
    m_launchAfterStop = std::move(launch);
    if (!EndPlayer()) StartNow(*std::exchange(m_launchAfterStop, std::nullopt));
}

void CPlayerControl::StartNow(Launch launch) {
    const std::string program = m_options.locatePlayer();
    if (program.empty()) return Started(launch, CPlayerProcess::StartResult::CouldNotStart);
    const std::vector<std::string> arguments = launch.arguments;
    const player::RunAs runAs = launch.runAs;
    m_player.Start(program, arguments, runAs, m_options.startupGraceMs,
                   [this, launch = std::move(launch)](CPlayerProcess::StartResult result) {
                       Started(launch, result);
                   });
}

void CPlayerControl::Started(const Launch& launch, CPlayerProcess::StartResult result) {
    if (result == CPlayerProcess::StartResult::Started)
        launch.started();
    else
        Tell(launch.failText);
    Settled();
}

void CPlayerControl::CheckRecordingFile() {
    m_emptyCheck.stop();
    if (m_recordPath.empty()) return;
    const std::string path = std::exchange(m_recordPath, {});
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    if (!error && size > 0) return;
    const std::string shown = Gbk(QFile::decodeName(path.c_str()).toStdString());
    Tell(m_player.Running() ? player_texts::RecordingGotNoData(shown)
                            : player_texts::RecorderFailed(shown));
}

bool CPlayerControl::StopPlayer() {
    m_waiting.clear();
    m_launchAfterStop.reset();
    return EndPlayer();
}

bool CPlayerControl::EndPlayer() {
    // Asked before the player ends, so that the cause can still be told.
    CheckRecordingFile();
    m_c.pidFilter.ClearPids(PidClass::Program);
    if (!m_player.HasProcess()) return false;
    m_player.Stop(m_options.stopGraceMs, [this](bool ended) { Ended(ended); });
    return true;
}

void CPlayerControl::Ended(bool ended) {
    if (ended) {
        m_playing = false;
        m_saving = false;
        m_c.statusLabel("");
    } else {
        Tell(Gbk("无法关闭VLC"));
        // A second player beside one that would not end is not started.
        m_launchAfterStop.reset();
    }
    if (std::exchange(m_stopButtonPending, false)) ResetAfterStopButton();
    if (m_launchAfterStop) return StartNow(*std::exchange(m_launchAfterStop, std::nullopt));
    Settled();
}

bool CPlayerControl::SendProgramPids(const std::string& name) {
    m_currentProgram = ProgramNamed(name);
    m_c.pidFilter.SetProgramPids(PidsOf(m_currentProgram));
    return true;
}

}  // namespace orbix
