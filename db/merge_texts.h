#pragma once

#include <string_view>

// Texts of the transponder import and merge, written in UTF-8 and handed out
// as GBK (platform/text.h).
namespace orbix::merge_texts {

inline constexpr std::string_view kVertical = "垂直";
inline constexpr std::string_view kHorizontal = "水平";
inline constexpr std::string_view kOff = "关";
inline constexpr std::string_view kOn = "开";
inline constexpr std::string_view kAuto = "自动";
inline constexpr std::string_view kWriteFailed = "无法写入频道数据库文件，文件没有改动。";
inline constexpr std::string_view kAddedTo = "卫星“%s”：新增%d个转发器";
inline constexpr std::string_view kNewSatellite = "（新卫星）";
inline constexpr std::string_view kDuplicates =
    "，%d个与已有转发器重复（同极化、频率相差不超过2 MHz），未导入";
inline constexpr std::string_view kNameClashes = "，%d个的名称已被参数不同的转发器占用，未导入";

}  // namespace orbix::merge_texts
