// orbixrx: the windowed program. Only wiring: the application, the message
// boxes, the card back end, start-up, the card session and the main window.
#include <QApplication>
#include <QFileInfo>
#include <cstdio>

#include "app/card_backend.h"
#include "app/gui/qt_notices.h"
#include "app/receiver_dlg.h"
#include "app/startup.h"
#include "platform/clock.h"
#include "ui/resources.h"

namespace {

// Where no screen can show a box (the offscreen platform), a box would wait
// for ever: the text still goes to standard error and the default answer
// comes back.
orbix::NoticePresenter PresenterFor(const QString& platform) {
    if (platform != QLatin1String("offscreen")) return {};
    return [](const orbix::Notice& notice, const QString&, const QString&) {
        return orbix::CQtNotices::DefaultAnswer(notice);
    };
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // Hiding every window to the tray must not end the program.
    QApplication::setQuitOnLastWindowClosed(false);
    orbix::InitResources();
    const QString appName = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
    orbix::CQtNotices notices(appName, PresenterFor(QGuiApplication::platformName()));

    orbix::CardBackend backend = orbix::MakeCardBackend();
    if (!backend.ports) {
        std::fprintf(stderr, "%s\n", backend.error.c_str());
        return 2;
    }
    orbix::CInstanceLock lock;
    orbix::StartUpContext start{*backend.ports, notices, lock, appName.toStdString(), {}};
    int result = 1;
    const orbix::StartUpOutcome outcome = orbix::StartUp(start, [&](std::uint16_t ioBase) {
        orbix::CCardSession session({*backend.ports,
                                     orbix::RealClock(),
                                     notices,
                                     ioBase,
                                     "./conwh.ocx",
                                     orbix::CChannelDatabase::kDefaultPath,
                                     {}});
        orbix::CReceiverDlg dlg({session, notices, QSystemTrayIcon::isSystemTrayAvailable(), true});
        if (!dlg.BringUp()) return;  // the user has been told why
        dlg.show();
        result = QApplication::exec();
        dlg.Shutdown();
    });
    return outcome == orbix::StartUpOutcome::Ran ? result : 1;
}
