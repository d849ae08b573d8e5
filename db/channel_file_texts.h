#pragma once

#include <string_view>

// Texts of the channel file import and export, written in UTF-8 and handed
// out as GBK (platform/text.h). "%s" is a file name, "%d" a line number.
namespace orbix::channel_file_texts {

inline constexpr std::string_view kAtLine = "文件 %s 第%d行：";
inline constexpr std::string_view kInFile = "文件 %s：";
inline constexpr std::string_view kCannotRead = "无法读取。";
inline constexpr std::string_view kTooLarge = "文件太大（超过4 MB），不是频道文件。";
inline constexpr std::string_view kLineTooLong = "行太长（超过1024个字节），不是频道文件。";
inline constexpr std::string_view kNotText = "含有控制字符，不是文本格式的频道文件。";
inline constexpr std::string_view kBadGroup = "频道名的方括号不完整。";
inline constexpr std::string_view kNoEquals = "缺少“=”，应为“键 = 值”。";
inline constexpr std::string_view kOutsideGroup = "“键 = 值”出现在第一个 [频道] 之前。";
inline constexpr std::string_view kNoDeliverySystem = "频道缺少 DELIVERY_SYSTEM。";
inline constexpr std::string_view kMissingKey =
    "DVB-S 频道缺少 FREQUENCY、SYMBOL_RATE 或 POLARIZATION。";
inline constexpr std::string_view kBadNumber = "数值无效（应为不带符号的十进制整数）。";
inline constexpr std::string_view kFrequencyRange = "频率不在 1 到 30000 MHz 之间。";
inline constexpr std::string_view kSymbolRateRange = "符号率不在 100 kS/s 到 100000 kS/s 之间。";
inline constexpr std::string_view kBadPolarisation =
    "POLARIZATION 应为 VERTICAL、HORIZONTAL、LEFT 或 RIGHT。";
inline constexpr std::string_view kNoChannels = "没有任何频道。";
inline constexpr std::string_view kSkippedDvbs2 =
    "跳过%d个 DVB-S2 频道（本卡的解调器只支持 DVB-S）。";
inline constexpr std::string_view kSkippedOther = "跳过%d个其他传输系统的频道（只导入 DVB-S）。";
inline constexpr std::string_view kOutsideLnb =
    "%d个转发器的频率不在所选LNB的接收范围内（中频950到2150 MHz），请检查LNB类型。";
inline constexpr std::string_view kSkippedOutOfRange =
    "跳过%d个频率或符号率超出范围的 DVB-S 频道（第一个在第%d行）。";
inline constexpr std::string_view kNameChanged = "文件名“%s”不能直接作卫星名，卫星名改为“%s”。";
inline constexpr std::string_view kNoSatellite = "频道数据库中没有卫星“%s”。";
inline constexpr std::string_view kExportSkipped =
    "%d个转发器的极化不是垂直或水平、或频率和符号率超出范围，没有导出。";
inline constexpr std::string_view kExported = "卫星“%s”：%s个转发器已导出。";
inline constexpr std::string_view kCannotWrite = "无法写入。";

}  // namespace orbix::channel_file_texts
