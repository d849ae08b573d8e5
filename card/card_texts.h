#pragma once

#include <string>

#include "platform/text.h"

namespace orbix::texts {

// The card layer's messages, in GBK as the user sees them.
inline std::string NoCardInstalled() { return Gbk("您没有安装卫星接收卡!"); }
inline std::string ResendPids() { return Gbk("请重新发送一遍PID!"); }
inline std::string ConfigurationReadError() { return Gbk("读取配置文件出错!"); }
inline std::string SoftwareConflictRepaired() { return Gbk("捕捉到软件冲突，已恢复！"); }
inline std::string EepromRegisterError() { return Gbk("93C46错误，内部寄存器0x51错误!"); }
inline std::string HardwareMismatch() {
    return Gbk("本软件与当前硬件版本不匹配，请与设备供应商联系！");
}

}  // namespace orbix::texts
