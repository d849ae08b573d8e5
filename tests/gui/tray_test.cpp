#include "app/gui/tray.h"

#include <QtTest>

namespace orbix {
class TrayTest : public QObject {
    Q_OBJECT
  private slots:
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
