#include "app/gui/tray.h"

#include <QPixmap>
#include <QtTest>

namespace orbix {
namespace {

QIcon Placeholder(Qt::GlobalColor colour) {
    QPixmap pixmap(16, 16);
    pixmap.fill(colour);
    return QIcon(pixmap);
}

}  // namespace

class TrayTest : public QObject {
    Q_OBJECT
  private slots:
    void TipAndIconFollowTheLock() {
        const TrayIcons icons{Placeholder(Qt::blue), Placeholder(Qt::green), Placeholder(Qt::red)};
        CTray tray(icons, {}, false);
        QVERIFY(!tray.Available());
        tray.Add();
        QVERIFY(tray.Shown());
        QCOMPARE(tray.Tip(), QStringLiteral("信号处于无定状态"));
        QCOMPARE(tray.Icon().cacheKey(), icons.program.cacheKey());

        struct Step {
            bool locked;
            QString tip;
            qint64 icon;
        };
        const Step steps[] = {
            {true, QStringLiteral("信号锁定—Orbix多媒体数据接收卡"), icons.locked.cacheKey()},
            {false, QStringLiteral("信号未锁定—Orbix多媒体数据接收卡"),
             icons.notLocked.cacheKey()}};
        for (const Step& s : steps) {
            tray.Update(s.locked);
            QCOMPARE(tray.Tip(), s.tip);
            QCOMPARE(tray.Icon().cacheKey(), s.icon);
        }
        tray.Remove();
        QVERIFY(!tray.Shown());
    }

    void ClicksAndMenuReachTheWindow() {
        QStringList calls;
        auto record = [&calls](const char* name) {
            return [&calls, name] { calls << QString::fromLatin1(name); };
        };
        CTray tray(
            {},
            {record("restore"), record("show"), record("hide"), record("about"), record("exit")},
            false);

        tray.Activate(QSystemTrayIcon::Trigger);
        tray.Activate(QSystemTrayIcon::DoubleClick);
        tray.Activate(QSystemTrayIcon::Context);  // the menu opens itself; no window action
        tray.Activate(QSystemTrayIcon::MiddleClick);
        QCOMPARE(calls, QStringList({"restore", "restore"}));

        calls.clear();
        QStringList texts;
        for (QAction* action : tray.Menu()->actions()) {
            texts << (action->isSeparator() ? QStringLiteral("-") : action->text());
            action->trigger();
        }
        QCOMPARE(texts, QStringList({"显示主界面", "隐藏主界面", "-", "关于", "退出"}));
        QCOMPARE(calls, QStringList({"show", "hide", "about", "exit"}));
    }
};

}  // namespace orbix

QTEST_MAIN(orbix::TrayTest)
#include "tray_test.moc"
