#pragma once

#include <string_view>

// Every text the channel database layer shows to the user, in one place.
// They are written here in UTF-8 and handed out as GBK (platform/text.h).
namespace orbix::db_texts {

inline constexpr std::string_view kNamesMissing = "请输入卫星名和转发器名!";
inline constexpr std::string_view kControlChar = "卫星名和转发器名不能包含控制字符!";
inline constexpr std::string_view kUnknownChar = "卫星名和转发器名含有无法识别的字符!";
inline constexpr std::string_view kOuterBlanks = "卫星名和转发器名的首尾不能有空格!";
inline constexpr std::string_view kBarOrEquals = "卫星名和转发器名不能包含字符 | 或 = !";
inline constexpr std::string_view kBracketsOrQuotes =
    "卫星名不能包含字符 [ 或 ]，也不能用引号括起来!";
inline constexpr std::string_view kReservedName =
    "卫星名不能是 Main、Last、Lock、Default、PID 或 IP，请换一个名字!";
inline constexpr std::string_view kSatelliteTooLong =
    "卫星名不能超过19个字节（一个汉字占两个字节）!";
inline constexpr std::string_view kTransponderTooLong = "转发器名不能超过12个字符!";
inline constexpr std::string_view kCaseClash =
    "已有一颗只是字母大小写不同的卫星，请使用与它完全相同的名字!";
inline constexpr std::string_view kRecordTooLong = "转发器参数太长，请缩短所填的内容!";
inline constexpr std::string_view kCountOutOfRange =
    "频道数据库中的卫星数或转发器数不在0到9999之间，文件可能已损坏，本次修改没有保存。"
    "请先修正 SATSETUPL.ini 中的 NUM 或 NUMTP。";
// Tuning values out of range, each naming its field and the range.
inline constexpr std::string_view kFrequencyRange =
    "下行频率必须是C波段3000至4200 MHz或Ku波段10700至12750 MHz之间的数字!";
inline constexpr std::string_view kSymbolRateRange = "符号率必须是1000至45000 KSPS之间的整数!";
inline constexpr std::string_view kLoRange = "LNB本振频率必须是0至20000 MHz之间的数字!";
// A write the file did not take, with the file's name and the system's reason:
// 频道数据库文件 ./SATSETUPL.ini 无法写入（Permission denied），修改没有保存!
inline constexpr std::string_view kNotWritten = "频道数据库文件 %1 无法写入（%2），修改没有保存!";
// A damaged file found at start-up: 频道数据库文件 ./SATSETUPL.ini 第 3 行已损坏，…
inline constexpr std::string_view kDamaged =
    "频道数据库文件 %1 第 %2 "
    "行已损坏，文件没有被改写，卫星列表只显示能读出的内容。请先修正该文件。";

}  // namespace orbix::db_texts
