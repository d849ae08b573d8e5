#include "app/gui/qt_notices.h"

#include <QThread>
#include <QtTest>
#include <atomic>
#include <chrono>
#include <thread>

#include "platform/text.h"

namespace orbix {
namespace {

// Waits, without running the event loop, until the condition holds.
template <typename Condition>
bool PollWithoutEvents(Condition condition) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::yield();
    }
    return true;
}

struct Seen {
    std::atomic<int> calls{0};
    QThread* thread = nullptr;
    QString text;
    QString caption;
};

NoticePresenter Presenter(Seen& seen, NoticeAnswer answer) {
    return [&seen, answer](const Notice&, const QString& text, const QString& caption) {
        seen.thread = QThread::currentThread();
        seen.text = text;
        seen.caption = caption;
        ++seen.calls;
        return answer;
    };
}

const Notice kQuestion{Gbk("删除卫星?"), "Warning", NoticeButtons::YesNo, NoticeIcon::Question};

}  // namespace

class QtNoticesTest : public QObject {
    Q_OBJECT
  private slots:
    void AWorkersBoxIsShownOnTheGuiThread() {
        Seen seen;
        CQtNotices notices(QStringLiteral("orbixrx"), Presenter(seen, NoticeAnswer::Yes));
        std::atomic<bool> done{false};
        NoticeAnswer answer = NoticeAnswer::Ok;
        std::thread worker([&] {
            answer = notices.Show(kQuestion);
            done = true;
        });
        QTRY_VERIFY_WITH_TIMEOUT(done.load(), 30000);
        worker.join();
        QCOMPARE(seen.calls.load(), 1);
        QCOMPARE(seen.thread, QCoreApplication::instance()->thread());
        QCOMPARE(seen.text, QStringLiteral("删除卫星?"));
        QCOMPARE(seen.caption, QStringLiteral("Warning"));  // a notice's own caption wins
        QCOMPARE(answer, NoticeAnswer::Yes);
    }

    void ShutdownReleasesAWaitingWorker() {
        Seen seen;
        CQtNotices notices({}, Presenter(seen, NoticeAnswer::Yes));
        NoticeAnswer answer = NoticeAnswer::Yes;
        std::thread worker([&] { answer = notices.Show(kQuestion); });
        // The user-interface thread is busy (no events run), so the worker waits.
        QVERIFY(PollWithoutEvents([&] { return notices.Waiting() == 1; }));
        notices.BeginShutdown();
        worker.join();
        QCOMPARE(answer, NoticeAnswer::No);
        QCoreApplication::processEvents();
        QCOMPARE(seen.calls.load(), 0);  // the queued box was never shown

        std::thread late([&] {
            answer = notices.Show(Notice{"late", {}, NoticeButtons::Ok, NoticeIcon::None});
        });
        late.join();
        QCOMPARE(answer, NoticeAnswer::Ok);
        QCoreApplication::processEvents();
        QCOMPARE(seen.calls.load(), 0);
    }
};

}  // namespace orbix

QTEST_MAIN(orbix::QtNoticesTest)
#include "qt_notices_test.moc"
