#pragma once

#include <QPoint>

#include "view/button_table.h"

namespace orbix::testing {

// The middle of a skinned window's button, where a click lands on it alone.
inline QPoint ButtonCentre(int index) {
    const ButtonEntry& b = g_buttonTable[index];
    return QPoint(b.left + b.width / 2, b.top + b.height / 2);
}

}  // namespace orbix::testing
