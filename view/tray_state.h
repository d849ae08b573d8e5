#pragma once

#include <string>

#include "platform/text.h"

namespace orbix {

// The tray icon's three looks: icon 128 until the first tick, then icon 133
// or 134 by the lock.
enum class TrayState { Undetermined, Locked, NotLocked };

constexpr TrayState TrayStateFor(bool locked) {
    return locked ? TrayState::Locked : TrayState::NotLocked;
}

// The tooltip for a state, in GBK.
inline std::string TrayTipGbk(TrayState state) {
    switch (state) {
        case TrayState::Locked:
            return Gbk("信号锁定—Orbix多媒体数据接收卡");
        case TrayState::NotLocked:
            return Gbk("信号未锁定—Orbix多媒体数据接收卡");
        case TrayState::Undetermined:
            break;
    }
    return Gbk("信号处于无定状态");
}

}  // namespace orbix
