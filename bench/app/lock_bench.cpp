// From the lock button of the satellite tree to "锁定成功！" in the main
// window's status text, on the simulated card in real time, switching
// between two lockable transponders; median printed. Run in a directory
// holding conwh.ocx and SATSETUPL.ini (tools/demo_database.sh).
#include <QApplication>
#include <QElapsedTimer>
#include <QTreeWidget>
#include <QtTest>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "bench/app/bench_receiver.h"
#include "platform/text.h"
#include "ui/resources.h"

namespace {

constexpr int kLockButton = 16;
constexpr int kLocks = 10;

QTreeWidgetItem* Transponder(QTreeWidget& tree, const QString& name) {
    const auto found = tree.findItems(name, Qt::MatchExactly | Qt::MatchRecursive);
    return found.isEmpty() ? nullptr : found.front();
}

struct LockTimes {
    double session = -1;  // the tune-and-lock worker reported the lock
    double text = -1;     // the status text says so (it changes on the 500 ms tick)
};

// Presses and releases the lock button, then waits for the status text to
// name the transponder as locked.
LockTimes OneLock(orbix::CReceiverDlg& dlg, const std::string& name) {
    orbix::CSatTreeDlg& tree = dlg.Children()->SatTree();
    tree.Tree()->setCurrentItem(Transponder(*tree.Tree(), QString::fromStdString(name)));
    const orbix::ButtonEntry& b = orbix::g_buttonTable[kLockButton];
    const QPoint centre(b.left + b.width / 2, b.top + b.height / 2);
    const std::string locked = orbix::Gbk("锁定成功！");
    const std::uint64_t before = dlg.Session().LastStatus().tune.attempt;
    LockTimes times;
    QElapsedTimer timer;
    timer.start();
    QTest::mouseClick(&tree, Qt::LeftButton, {}, centre);
    while (timer.elapsed() < 60000) {
        const double now = static_cast<double>(timer.nsecsElapsed()) / 1e6;
        const orbix::TuneStatus tune = dlg.Session().LastStatus().tune;
        if (times.session < 0 && tune.attempt > before && tune.locked) times.session = now;
        // The text scrolls round by two bytes a tick: look in it as a ring.
        const std::string& bytes = dlg.Status().Display().Text().Bytes();
        const std::string text = bytes + bytes;
        if (text.find(name) != std::string::npos && text.find(locked) != std::string::npos) {
            times.text = now;
            return times;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    }
    return times;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    orbix::InitResources();
    orbix::CQtNotices notices(QStringLiteral("orbixrx"));
    std::vector<double> times;
    std::vector<double> sessionTimes;
    orbix::bench::WithReceiver(notices, [&](orbix::CReceiverDlg& dlg) {
        dlg.ToggleChild(orbix::ChildKind::SatTree);
        for (int i = 0; i < kLocks; ++i) {
            const LockTimes t = OneLock(dlg, i % 2 ? "12622V" : "11052V");
            times.push_back(t.text);
            sessionTimes.push_back(t.session);
        }
    });
    if (times.empty()) return 1;
    std::sort(times.begin(), times.end());
    std::printf(
        "lock button to \"locked\" in the status text: median %.1f ms (min %.1f, max %.1f) "
        "over %zu locks; the worker's lock report: median %.1f ms\n",
        Median(times), times.front(), times.back(), times.size(), Median(sessionTimes));
    return times.front() < 0 ? 1 : 0;
}
