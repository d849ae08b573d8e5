#include "app/gui/tray_wiring.h"

#include "app/gui/receiver_dlg.h"
#include "ui/resources.h"

namespace orbix {

TrayIcons LoadTrayIcons() {
    InitResources();
    return {QIcon(ResourcePath(kIconProgram)), QIcon(ResourcePath(kIconLocked)),
            QIcon(ResourcePath(kIconNotLocked))};
}

std::unique_ptr<CTray> MakeReceiverTray(CReceiverDlg& dlg, bool useSystemTray) {
    TrayActions actions{[&dlg] { dlg.Restore(); }, [&dlg] { dlg.ShowAll(); },
                        [&dlg] { dlg.HideAll(); }, [&dlg] { dlg.RunAbout(); },
                        [&dlg] { dlg.Shutdown(); }};
    return std::make_unique<CTray>(LoadTrayIcons(), std::move(actions), useSystemTray);
}

}  // namespace orbix
