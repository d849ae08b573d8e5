#pragma once

#include <string_view>

namespace orbix::proglist {

// Messages of the program list window, in UTF-8; the window converts them
// to GBK where it talks to the rest of the program. The group names are in
// db/program_vocabulary.h.
inline constexpr std::string_view kCheckLock = "请检查信号是否锁定!";
inline constexpr std::string_view kCannotPlayScrambled = "无法播放加扰节目!";
inline constexpr std::string_view kCannotSaveScrambled = "您所保存的是加扰节目，无法播放！";
inline constexpr std::string_view kChooseProgram = "请选择一个节目！";
inline constexpr std::string_view kChooseProgramToDelete = "请选择一个要删除的节目！";

}  // namespace orbix::proglist
