#include "app/gui/receiver_program.h"

#include <QApplication>
#include <QFileInfo>
#include <cstdlib>

#include "app/card_start.h"
#include "app/gui/qt_notices.h"
#include "app/gui/quit_on_signal.h"
#include "app/gui/receiver_dlg.h"
#include "ui/resources.h"

namespace orbix {
namespace {

// Where no screen can show a box (the offscreen platform), a box would wait
// for ever: the text still goes to standard error and the default answer
// comes back.
// The status of a process ended by a signal during start-up.
constexpr int kEndedInStartUp = 1;

NoticePresenter PresenterFor(const QString& platform) {
    if (platform != QLatin1String("offscreen")) return {};
    return [](const Notice& notice, const QString&, const QString&) {
        return CQtNotices::DefaultAnswer(notice);
    };
}

}  // namespace

int RunReceiverProgram(const ReceiverShownHook& shown) {
    // Hiding every window to the tray must not end the program.
    QApplication::setQuitOnLastWindowClosed(false);
    InitResources();
    const QString appName = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
    CQtNotices notices(appName, PresenterFor(QGuiApplication::platformName()));

    // A signal ends the event loop (or keeps it from starting); the ordered
    // shutdown follows as after a click on the close button. Before the main
    // window runs there is nothing to shut down, and a start-up box
    // ("程序已经加载!") runs a loop of its own that no quit ends: the process
    // ends at once, as start-up's failures do.
    bool quitAsked = false;
    bool windowRuns = false;
    const CQuitOnSignal quitOnSignal([&quitAsked, &windowRuns] {
        if (!windowRuns) std::_Exit(kEndedInStartUp);
        quitAsked = true;
        QCoreApplication::quit();
    });
    return RunOnCard({notices}, [&](CCardSession& session, IPortIo& card) {
        windowRuns = true;
        CReceiverDlg dlg({session, notices, QSystemTrayIcon::isSystemTrayAvailable(), true});
        if (!dlg.BringUp()) return 1;  // the user has been told why
        dlg.show();
        if (shown) shown({dlg, session, card});
        // A signal during bring-up is read by the loop's first pass, unless a
        // message box's own loop already read it.
        const int result = quitAsked ? 0 : QApplication::exec();
        dlg.Shutdown();
        return result;
    });
}

}  // namespace orbix
