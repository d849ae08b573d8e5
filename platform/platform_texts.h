#pragma once

#include <string>

#include "platform/text.h"

namespace orbix::texts {

// The platform layer's messages, in GBK as the user sees them.
inline std::string AlreadyLoaded() { return Gbk("程序已经加载!"); }
inline std::string PortIoNotReady() { return Gbk("系统启动未完成，请稍后执行本软件!"); }

}  // namespace orbix::texts
