// Start to the first status tick with the card ready, on the simulated card
// in real time: ten starts in one process (application object excluded),
// median printed. Run in a directory holding conwh.ocx and SATSETUPL.ini.
#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "bench/app/bench_receiver.h"
#include "ui/resources.h"

namespace {

double OneStart(orbix::CQtNotices& notices) {
    QElapsedTimer timer;
    timer.start();
    double ms = -1;
    orbix::bench::WithReceiver(notices, [&](orbix::CReceiverDlg& dlg) {
        QEventLoop loop;
        QObject::connect(&dlg.Status(), &QObject::destroyed, &loop, &QEventLoop::quit);
        QTimer poll;
        int ticks = 0;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            const int now = dlg.Status().Display().ArcPhase();
            if (now != 0 || ++ticks > 10000) loop.quit();  // the first tick steps the symbol
        });
        poll.start(1);
        loop.exec();
        ms = static_cast<double>(timer.nsecsElapsed()) / 1e6;
    });
    return ms;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    orbix::InitResources();
    orbix::CQtNotices notices(QStringLiteral("orbixrx"));
    std::vector<double> times;
    for (int i = 0; i < 10; ++i) times.push_back(OneStart(notices));
    std::sort(times.begin(), times.end());
    std::printf(
        "start to first tick, card ready: median %.1f ms (min %.1f, max %.1f) over %zu starts\n",
        (times[4] + times[5]) / 2, times.front(), times.back(), times.size());
    return times.front() < 0 ? 1 : 0;
}
