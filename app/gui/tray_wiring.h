#pragma once

#include <memory>

#include "app/gui/tray.h"

namespace orbix {

class CReceiverDlg;

// Icons 128, 133 and 134 from the compiled-in resources.
TrayIcons LoadTrayIcons();

// The tray icon whose clicks and menu drive the main window.
std::unique_ptr<CTray> MakeReceiverTray(CReceiverDlg& dlg, bool useSystemTray);

}  // namespace orbix
