#pragma once

#include <string_view>

// The IP data reception's texts (UTF-8 here; GBK where the core takes them).
namespace orbix::ip_texts {

inline constexpr std::string_view kMenuItem = "接收IP数据";
inline constexpr std::string_view kNoInterface = "未设置网络接口";
inline constexpr std::string_view kStopped = "已停止接收IP数据";
inline constexpr std::string_view kNoPids = "请先在PID设置中选择IP数据的PID!";
inline constexpr std::string_view kSetInterface =
    "请在SATSETUPL.ini的[IPDATA]中用TUN=设置网络接口!";
inline constexpr std::string_view kCannotStart = "无法接收IP数据: %1";
// "正在接收IP数据(orbix0) 数据报12 字节3400 丢弃0"
inline constexpr std::string_view kReceiving = "正在接收IP数据(%1) 数据报%2 字节%3 丢弃%4";

}  // namespace orbix::ip_texts
