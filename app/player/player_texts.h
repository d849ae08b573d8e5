#pragma once

#include <string>

#include "platform/text.h"

// The player commands' own texts, in GBK as the user sees them.
namespace orbix::player_texts {

// The program's PIDs do not fit beside the user's PID list in the card's
// 32-slot PID table; nothing was started.
inline std::string NoPidRoom(int needed, int userPids) {
    return Gbk("无法播放或保存：节目需要") + std::to_string(needed) +
           Gbk("个PID位置，但用户PID列表（PID设置）已占用PID表32个位置中的") +
           std::to_string(userPids) + Gbk("个。请先在PID设置中取消一些PID!");
}

// A recording whose file is still empty 5 s after the start, or at stop:
// the player runs but the card sent it nothing, or the player has ended.
inline std::string RecordingGotNoData(const std::string& fileGbk) {
    return Gbk("录制文件") + fileGbk +
           Gbk("仍是空的：播放器在运行，但卡没有送来节目数据。请检查信号、节目的PID和网络接收!");
}
inline std::string RecorderFailed(const std::string& fileGbk) {
    return Gbk("录制文件") + fileGbk +
           Gbk("仍是空的：播放器已经退出，没有写入任何数据（播放器失败）!");
}

}  // namespace orbix::player_texts
