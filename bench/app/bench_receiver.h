#pragma once

// The windowed program brought up on the simulated card for a benchmark, as
// main does it but without the event loop: work runs on the shown window,
// then the ordered shutdown follows.
#include <functional>

#include "app/card_start.h"
#include "app/gui/qt_notices.h"
#include "app/gui/receiver_dlg.h"

namespace orbix::bench {

inline void WithReceiver(CQtNotices& notices, const std::function<void(CReceiverDlg&)>& work) {
    RunOnCard({notices, "orbixrx-bench"}, [&](CCardSession& session, IPortIo&) {
        CReceiverDlg dlg({session, notices, false, false});
        if (!dlg.BringUp()) return 1;
        dlg.show();
        work(dlg);
        dlg.Shutdown();
        return 0;
    });
}

}  // namespace orbix::bench
