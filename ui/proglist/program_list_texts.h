#pragma once

#include <string>
#include <string_view>

namespace orbix::proglist {

// Texts of the program list window, in UTF-8 as the tree shows them; the
// window converts to GBK where it talks to the rest of the program.
inline constexpr std::string_view kTvGroup = "电视节目";
inline constexpr std::string_view kRadioGroup = "广播节目";
inline constexpr std::string_view kIpGroup = "IP节目";
inline constexpr std::string_view kScrambledMark = "加扰";

inline constexpr std::string_view kCheckLock = "请检查信号是否锁定!";
inline constexpr std::string_view kCannotPlayScrambled = "无法播放加扰节目!";
inline constexpr std::string_view kCannotSaveScrambled = "您所保存的是加扰节目，无法播放！";
inline constexpr std::string_view kChooseProgram = "请选择一个节目！";
inline constexpr std::string_view kChooseProgramToDelete = "请选择一个要删除的节目！";
inline constexpr std::string_view kPlayingPrefix = "正在播放";
inline constexpr std::string_view kSavingPrefix = "正在保存";

// The program name as the main window's status text shows it (GBK in and
// out): whole when shorter than 7 bytes, otherwise its head of at most 3
// bytes, never half a double-byte character, followed by "...".
std::string DisplayName(std::string_view nameGbk);

}  // namespace orbix::proglist
