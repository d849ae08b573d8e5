#pragma once

#include <string>

#include "platform/text.h"

namespace orbix::texts {

// The demodulator layer's messages, in GBK as the user sees them.

// The demodulator did not answer its identity check at bring-up.
inline std::string TunerInitFailed() { return Gbk("初始化高频头失败!"); }

}  // namespace orbix::texts
