#pragma once

#include <functional>

namespace orbix {

class CCardSession;
class CReceiverDlg;
class IPortIo;

// The running program as a test driving it sees it, once the main window is
// shown and before the event loop runs.
struct RunningReceiver {
    CReceiverDlg& dlg;
    CCardSession& session;
    IPortIo& card;
};
using ReceiverShownHook = std::function<void(const RunningReceiver&)>;

// orbixrx on the QApplication already made: the message boxes, the card
// back end, start-up, the card session and the main window, then the event
// loop. Returns the program's exit code. The hook, when given, is called
// once the main window is shown.
int RunReceiverProgram(const ReceiverShownHook& shown = {});

}  // namespace orbix
