#include "ui/post_to_gui.h"

#include <QThread>
#include <QtTest>
#include <memory>
#include <thread>
#include <vector>

namespace orbix {

class PostToGuiTest : public QObject {
    Q_OBJECT

  private slots:
    // Posted from a worker: run later, on the receiver's thread, in order.
    void RunsQueuedInOrderOnReceiverThread() {
        QObject receiver;
        std::vector<int> order;
        std::vector<QThread*> threads;
        std::thread worker([&] {
            for (int i = 0; i < 50; ++i) {
                PostToGui(&receiver, [&order, &threads, i] {
                    order.push_back(i);
                    threads.push_back(QThread::currentThread());
                });
            }
        });
        worker.join();
        QVERIFY(order.empty());
        QTRY_COMPARE(order.size(), std::size_t{50});
        for (int i = 0; i < 50; ++i) {
            QCOMPARE(order[i], i);
            QCOMPARE(threads[i], receiver.thread());
        }
    }

    // Calls still queued when the receiver goes are dropped, and what they
    // captured is freed.
    void DroppedWithReceiver() {
        auto receiver = std::make_unique<QObject>();
        auto token = std::make_shared<int>(0);
        bool ran = false;
        std::thread worker(
            [&, copy = token] { PostToGui(receiver.get(), [&ran, copy] { ran = true; }); });
        worker.join();
        QCOMPARE(token.use_count(), 2);
        receiver.reset();
        QCoreApplication::processEvents();
        QVERIFY(!ran);
        QCOMPARE(token.use_count(), 1);
    }
};

}  // namespace orbix

QTEST_MAIN(orbix::PostToGuiTest)
#include "post_to_gui_test.moc"
