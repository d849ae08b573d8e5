#pragma once

#include <string>

#include "platform/text.h"

namespace orbix::texts {

// Why the last tune of the tune-and-lock worker ended without lock, in GBK
// as the user sees it.
inline std::string NoLockAfterSearch() { return Gbk("载波搜索后未能锁定"); }
inline std::string DemodulatorSilent() { return Gbk("解调器没有应答"); }

}  // namespace orbix::texts
