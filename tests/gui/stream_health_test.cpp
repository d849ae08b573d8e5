// The aiming meter, the no-data warning and the stream statistics in the
// main window, on a simulated card in real time (the watchdog's five
// seconds and the stream are real).
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QTemporaryDir>
#include <QtTest>
#include <cstdlib>

#include "app/gui/gui_texts.h"
#include "platform/stream_port.h"
#include "search/search_texts.h"
#include "sim/stream_output.h"
#include "tests/support/window_rig.h"
#include "ui/resources.h"

namespace orbix {
namespace {

QString Q(const std::string& gbk) { return QString::fromStdString(Utf8(gbk)); }

// The built-in sky in real time, locked on 12622V, and the main window.
struct RealTimeRig : testing::WindowRig {
    RealTimeRig() : WindowRig(true) { MakeWindow(); }
    // The card's stream, with packet loss from its start when asked.
    void StartStream(double lossPerSecond) {
        stream = std::make_unique<sim::CStreamOutput>(sim::ViewOfLogic(card.Logic()),
                                                      sim::LockedStreamOf(frontEnd));
        if (lossPerSecond > 0) {
            stream->SetFaults(std::make_shared<sim::CStreamFaultFilter>(
                sim::StreamFaultSchedule{{}, sim::PacketLoss{0, lossPerSecond}}));
        }
        std::string error;
        QVERIFY2(stream->Start(error), error.c_str());
    }

    std::unique_ptr<sim::CStreamOutput> stream;  // stops before the card goes
};

QAction* FindAction(const QMenu& menu, const QString& text) {
    for (QAction* a : menu.actions())
        if (a->text() == text) return a;
    return nullptr;
}

void SendDatagram(int port) {
    const int s = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<std::uint16_t>(port));
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    std::array<std::uint8_t, 7 * 188> datagram{};
    datagram[0] = 0x47;
    ::sendto(s, datagram.data(), datagram.size(), 0, reinterpret_cast<const sockaddr*>(&to),
             sizeof to);
    ::close(s);
}

void Shoot(QWidget& w, const char* name) {
    if (const char* dir = std::getenv("ORBIXRX_SCREENSHOTS"))
        w.grab().save(QString::fromLocal8Bit(dir) + "/" + name);
}

}  // namespace

class StreamHealthTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() {
        // A port of this run's own, so parallel runs do not cross.
        const std::string port = std::to_string(20000 + ::getpid() % 20000);
        ::setenv("ORBIXRX_STREAM_PORT", port.c_str(), 1);
        InitResources();
    }

    void NoDataWarnsInTheStatusLineAndTrayTipUntilDataReturns() {
        RealTimeRig rig;
        QVERIFY(rig.dlg->BringUp());
        CReceiverDlg& dlg = *rig.dlg;
        dlg.show();
        QTRY_VERIFY_WITH_TIMEOUT(dlg.Locked(), 10'000);
        // Locked without PIDs is not a fault, however long.
        QTest::qWait(1500);
        QVERIFY(dlg.StreamWarning().isEmpty());
        const std::uint16_t pids[] = {0x210};
        rig.session->PidFilter().SetUserPids(pids);  // no stream output: nothing comes
        QTRY_COMPARE_WITH_TIMEOUT(dlg.StreamWarning(), Q(texts::NoDataStatus()), 9'000);
        QTRY_COMPARE_WITH_TIMEOUT(dlg.Tray().Tip(), Q(texts::NoDataTip()), 2'000);
        QVERIFY(texts::NoDataTip().size() <= 63);
        Shoot(dlg, "no_data.png");

        SendDatagram(StreamPort());
        QTRY_VERIFY_WITH_TIMEOUT(dlg.StreamHealth()->Health().reader.Datagrams() > 0, 3'000);
        dlg.StreamHealth()->Check();
        QVERIFY(dlg.StreamWarning().isEmpty());
        QTRY_COMPARE_WITH_TIMEOUT(dlg.Tray().Tip(), Q(Gbk("信号锁定—Orbix多媒体数据接收卡")),
                                  2'000);
        dlg.Shutdown();
    }

    void MeterFromTheTrayMenuFollowsTheReadings() {
        RealTimeRig rig;
        QVERIFY(rig.dlg->BringUp());
        CReceiverDlg& dlg = *rig.dlg;
        QAction* item = FindAction(*dlg.Tray().Menu(), Q(texts::MeterMenuItem()));
        QVERIFY(item);
        item->trigger();
        QVERIFY(dlg.Meter() && dlg.Meter()->isVisible());
        CMeterWindow& meter = *dlg.Meter();
        meter.resize(520, 280);
        QTRY_VERIFY_WITH_TIMEOUT(meter.Graph().Scene().current.locked, 10'000);
        QTRY_VERIFY_WITH_TIMEOUT(meter.Graph().Scene().locked.size() == 1, 2'000);
        QVERIFY(meter.CurrentText().contains(QStringLiteral("80%")));
        QVERIFY(!meter.SoundOn());  // off until asked for
        QTest::qWait(1000);
        meter.Refresh();
        Shoot(meter, "meter.png");
        QCOMPARE(meter.Graph().Scene().peak, (CSignalHistory::Peak{80, 87}));
        meter.ResetPeak();
        QVERIFY(meter.Graph().Scene().peak.level <= 80);
        dlg.Shutdown();
    }

    void StatsWindowFromTheProgramListCountsLostPackets() {
        RealTimeRig rig;
        rig.StartStream(50);
        QVERIFY(rig.dlg->BringUp());
        CReceiverDlg& dlg = *rig.dlg;
        QTRY_VERIFY_WITH_TIMEOUT(dlg.Locked(), 10'000);
        const std::uint16_t pids[] = {0x210, 0x211};
        rig.session->PidFilter().SetUserPids(pids);
        CSkinWindow* list = dlg.Child(ChildKind::ProgramList);
        QAction* item = nullptr;
        for (QMenu* menu : list->findChildren<QMenu*>())
            if (!item) item = FindAction(*menu, Q(texts::StatsTitle()));
        QVERIFY(item);
        item->trigger();
        QVERIFY(dlg.Stats() && dlg.Stats()->isVisible());
        const QTableWidget& table = dlg.Stats()->Table();
        QTRY_COMPARE_WITH_TIMEOUT(table.rowCount(), 2, 3'000);
        QCOMPARE(table.item(0, 0)->text(), QStringLiteral("0x0210"));
        auto errors = [&] {
            return table.item(0, 4)->text().toInt() + table.item(1, 4)->text().toInt();
        };
        QTRY_VERIFY_WITH_TIMEOUT(errors() >= 20, 8'000);
        QTRY_VERIFY_WITH_TIMEOUT(table.item(0, 1)->text().toDouble() > 0, 3'000);
        QVERIFY(dlg.Stats()->Totals().contains(Q(Gbk("错误数据包 0"))));
        QVERIFY(dlg.Stats()->IpDataLine().isEmpty());  // no IP data reception runs
        // A running IP data reception shows its counters beneath, and they
        // go when it stops.
        {
            std::optional<CStatsWindow::IpDataState> ip =
                CStatsWindow::IpDataState{"orbix0", {{7, 5, 1200, 1, 0, 0, 0, 2}, 0}};
            CStatsWindow withIp(*dlg.StreamHealth(), [&] { return ip; });
            withIp.show();
            QCOMPARE(withIp.IpDataLine(),
                     Q(Gbk("IP数据(orbix0)   段 7   数据报 5   字节 1200   CRC错误 1   丢弃 3")));
            QCoreApplication::processEvents();  // lay the shown line out
            Shoot(withIp, "stats_ipdata.png");
            ip.reset();
            withIp.Refresh();
            QVERIFY(withIp.IpDataLine().isEmpty());
        }
        Shoot(*dlg.Stats(), "stats.png");
        dlg.Shutdown();
    }

    void CsvExportWritesTheHistoryAndTellsOfAFailure() {
        CSignalHistory history;
        history.Record({1000, 50, 40, true});
        history.Record({1100, 51, 41, false});
        CQtNotices silent{QStringLiteral("orbixrx"),
                          [&](const Notice&, const QString& text, const QString&) {
                              told = text;
                              return NoticeAnswer::Ok;
                          }};
        QTemporaryDir dir;
        std::optional<std::string> answer = dir.filePath("h.csv").toStdString();
        CMeterWindow meter({history, silent, [&] { return answer; }});
        QVERIFY(meter.ExportCsv());
        QCOMPARE(testing::ReadBytes(*answer), SignalHistoryCsv(history.All()));
        answer = dir.filePath("no/such/dir/h.csv").toStdString();
        QVERIFY(!meter.ExportCsv());
        QCOMPARE(told, Q(texts::ExportFailed()));
        answer.reset();
        told.clear();
        QVERIFY(!meter.ExportCsv());  // cancelled: nothing said
        QVERIFY(told.isEmpty());
    }

  private:
    QString told;
};

}  // namespace orbix

QTEST_MAIN(orbix::StreamHealthTest)
#include "stream_health_test.moc"
