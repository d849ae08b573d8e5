#include "ui/about_box.h"

#include <QtTest>
#include <string>
#include <vector>

#include "platform/notices.h"
#include "platform/text.h"
#include "ui/link_label.h"

using namespace orbix;

class AboutBoxTest : public QObject {
    Q_OBJECT

  private:
    // An About box whose opener answers from `result` and counts beeps.
    struct Rig {
        CRecordingNotices notices;
        CAboutBox box{notices};
        std::vector<QString> opened;
        int beeps = 0;
        explicit Rig(int result) {
            box.Link().SetOpener([this, result](const QString& a) {
                opened.push_back(a);
                return result;
            });
            box.Link().SetBeep([this] { ++beeps; });
        }
        QColor TextColour() { return box.Link().palette().color(QPalette::WindowText); }
    };

  private slots:
    void labelStartsAsUnvisitedLink() {
        Rig rig(33);
        CLinkLabel& link = rig.box.Link();
        QCOMPARE(rig.TextColour(), QColor(0, 0, 238));
        QVERIFY(link.font().underline());
        QCOMPARE(link.toolTip(), QString::fromUtf8(AboutDetails::kAddress));
        QCOMPARE(link.text(), QString::fromUtf8(AboutDetails::kMakerName));
        QCOMPARE(link.cursor().shape(), Qt::BitmapCursor);
        QCOMPARE(rig.box.windowTitle(), QString::fromUtf8("关于 OrbixCenter"));
    }

    void successfulClickTurnsVisited() {
        Rig rig(42);
        rig.box.show();
        QTest::mouseClick(&rig.box.Link(), Qt::LeftButton);
        QCOMPARE(rig.opened, std::vector<QString>{QString::fromUtf8(AboutDetails::kAddress)});
        QCOMPARE(rig.TextColour(), QColor(85, 26, 139));
        QCOMPARE(rig.beeps, 0);
        QVERIFY(rig.notices.Shown().empty());
    }

    void failedOpenBeepsAndExplains_data() {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("reason");
        QTest::newRow("file") << 2 << "The specified file was not found.";
        QTest::newRow("no application")
            << 31 << "There is no application associated\nwith the given filename extension.";
        QTest::newRow("32 is still failure")
            << 32 << "The specified dynamic-link library was not found.";
        QTest::newRow("unknown") << 7 << "Unknown Error (7) occurred.";
    }

    void failedOpenBeepsAndExplains() {
        QFETCH(int, code);
        QFETCH(QString, reason);
        Rig rig(code);
        rig.box.Link().Open();
        QCOMPARE(rig.beeps, 1);
        QCOMPARE(rig.TextColour(), QColor(0, 0, 238));
        const std::vector<Notice> shown = rig.notices.Shown();
        QCOMPARE(shown.size(), std::size_t{1});
        QCOMPARE(QString::fromStdString(Utf8(shown[0].text)),
                 QStringLiteral("Unable to open hyperlink:\n\n") + reason);
        QCOMPARE(shown[0].icon, NoticeIcon::Warning);
    }
};

QTEST_MAIN(AboutBoxTest)
#include "about_box_test.moc"
