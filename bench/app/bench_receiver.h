#pragma once

// The windowed program brought up on the simulated card for a benchmark, as
// main does it but without the event loop: work runs on the shown window,
// then the ordered shutdown follows.
#include <functional>

#include "app/card_backend.h"
#include "app/gui/qt_notices.h"
#include "app/receiver_dlg.h"
#include "app/startup.h"
#include "platform/clock.h"

namespace orbix::bench {

inline void WithReceiver(CQtNotices& notices, const std::function<void(CReceiverDlg&)>& work) {
    CardBackend backend = MakeCardBackend();
    CInstanceLock lock;
    StartUpContext start{*backend.ports, notices, lock, "orbixrx-bench", {}};
    StartUp(start, [&](std::uint16_t ioBase) {
        CCardSession session({*backend.ports,
                              RealClock(),
                              notices,
                              ioBase,
                              "./conwh.ocx",
                              CChannelDatabase::kDefaultPath,
                              {}});
        CReceiverDlg dlg({session, notices, false, false});
        if (!dlg.BringUp()) return;
        dlg.show();
        work(dlg);
        dlg.Shutdown();
    });
}

}  // namespace orbix::bench
