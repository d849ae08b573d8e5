#pragma once

#include <string>

#include "platform/text.h"

namespace orbix::texts {

// The aiming meter's and the stream statistics' texts, in GBK.
inline std::string MeterTitle() { return Gbk("寻星信号表"); }
inline std::string MeterMenuItem() { return Gbk("寻星信号表..."); }
inline std::string MeterLevel() { return Gbk("信号强度"); }
inline std::string MeterQuality() { return Gbk("信号质量"); }
inline std::string MeterPeak() { return Gbk("峰值"); }
inline std::string MeterResetPeak() { return Gbk("峰值复位"); }
inline std::string MeterSound() { return Gbk("提示音"); }
inline std::string MeterExport() { return Gbk("导出CSV..."); }
inline std::string MeterMinutes() { return Gbk("分钟"); }
inline std::string MeterNoSound() { return Gbk("没有可用的声音设备"); }
inline std::string ExportFailed() { return Gbk("无法写入文件!"); }
inline std::string StatsTitle() { return Gbk("码流统计"); }
inline std::string StatsNotStarted() { return Gbk("无法接收码流"); }
inline std::string StatsTotals() { return Gbk("数据包/秒 %1   数据包 %2   错误数据包 %3"); }
// The statistics table's column heads.
inline std::string StatsColumns() {
    return Gbk("PID|包/秒|kbit/s|包数|连续计数错误|传输错误|加扰|最后收到");
}
inline std::string StatsNever() { return Gbk("从未"); }
inline std::string StatsSecondsAgo() { return Gbk("%1 秒前"); }
inline std::string Yes() { return Gbk("是"); }
inline std::string No() { return Gbk("否"); }

}  // namespace orbix::texts
