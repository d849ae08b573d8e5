#include "ui/about_box.h"

#include <QtTest>
#include <string>
#include <utility>
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
    // Above 32 the open succeeded: the link turns visited, quietly. At 32 and
    // below it failed: a beep, a warning with the reason, and the link stays
    // unvisited.
    void clickOpensOrExplains() {
        const std::pair<int, const char*> cases[] = {
            {33, nullptr},
            {32, "The specified dynamic-link library was not found."},
            {7, "Unknown Error (7) occurred."}};
        for (const auto& [code, reason] : cases) {
            Rig rig(code);
            QCOMPARE(rig.TextColour(), QColor(0, 0, 238));
            rig.box.show();
            QTest::mouseClick(&rig.box.Link(), Qt::LeftButton);
            QCOMPARE(rig.opened, std::vector<QString>{QString::fromUtf8(AboutDetails::kAddress)});
            QCOMPARE(rig.TextColour(), reason ? QColor(0, 0, 238) : QColor(85, 26, 139));
            QCOMPARE(rig.beeps, reason ? 1 : 0);
            const std::vector<Notice> shown = rig.notices.Shown();
            QCOMPARE(shown.size(), reason ? 1u : 0u);
            if (!reason) continue;
            QCOMPARE(shown[0].icon, NoticeIcon::Warning);
            QCOMPARE(QString::fromStdString(Utf8(shown[0].text)),
                     QStringLiteral("Unable to open hyperlink:\n\n") + reason);
        }
    }
};

QTEST_MAIN(AboutBoxTest)
#include "about_box_test.moc"
