#pragma once

#include <string>

#include "platform/text.h"
#include "platform/text_template.h"

// The player commands' own texts, in GBK as the user sees them.
namespace orbix::player_texts {

// The status line while a program plays or is recorded, and the questions
// and refusals that name the program or the file (templates, UTF-8).
inline constexpr std::string_view kPlaying = "正在播放%s";
inline constexpr std::string_view kSaving = "正在保存%s";
inline constexpr std::string_view kReplaceRecording = "正在保存%s,是否放弃保存%s,开始保存%s?";
inline constexpr std::string_view kPlayerCannotWrite =
    "播放器以用户%s运行，该用户无法写入文件%s，请另选保存位置!";

// The program's PIDs do not fit beside the user's PID list in the card's
// 32-slot PID table; nothing was started.
inline constexpr std::string_view kNoPidRoom =
    "无法播放或保存：节目需要%1个PID位置，但用户PID列表（PID设置）已占用PID表32个位置中的%2个。"
    "请先在PID设置中取消一些PID!";
inline std::string NoPidRoom(int needed, int userPids) {
    return Gbk(FillTemplate(kNoPidRoom, {std::to_string(needed), std::to_string(userPids)}));
}

// A recording whose file is still empty 5 s after the start, or at stop:
// the player runs but the card sent it nothing, or the player has ended.
inline constexpr std::string_view kRecordingGotNoData =
    "录制文件%1仍是空的：播放器在运行，但卡没有送来节目数据。请检查信号、节目的PID和网络接收!";
inline constexpr std::string_view kRecorderFailed =
    "录制文件%1仍是空的：播放器已经退出，没有写入任何数据（播放器失败）!";
// The file's name is GBK already; "%" is never part of a GBK character.
inline std::string RecordingGotNoData(const std::string& fileGbk) {
    return FillTemplate(Gbk(kRecordingGotNoData), {fileGbk});
}
inline std::string RecorderFailed(const std::string& fileGbk) {
    return FillTemplate(Gbk(kRecorderFailed), {fileGbk});
}

}  // namespace orbix::player_texts
