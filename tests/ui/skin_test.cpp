#include <QKeyEvent>
#include <QtTest>
#include <vector>

#include "tests/support/button_centre.h"
#include "tests/support/window_pixels.h"
#include "ui/resources.h"
#include "ui/skin_bitmap.h"
#include "ui/skin_window.h"
#include "view/button_table.h"

using namespace orbix;
using testing::ButtonCentre;
using testing::ShownImage;

namespace {

struct WindowKindCase {
    SkinWindowKind kind;
    int face, pressed;
};

constexpr WindowKindCase kKinds[] = {
    {SkinWindowKind::Main, kFaceMain, kFaceMainPressed},
    {SkinWindowKind::ProgramList, kFaceProgramList, kFaceProgramListPressed},
    {SkinWindowKind::SatelliteTree, kFaceSatTree, kFaceSatTreePressed},
};

// A skinned window that only records which actions ran.
class TestWindow final : public CSkinWindow {
  public:
    explicit TestWindow(const WindowKindCase& k) : CSkinWindow(k.kind, k.face, k.pressed) {}
    std::vector<int> actions;

  protected:
    void OnButton(int index) override { actions.push_back(index); }
};

// A pixel inside the button where the pressed face differs from the normal one.
QPoint DifferingPixel(const CSkinBitmap& face, const CSkinBitmap& pressed, int index) {
    const ButtonEntry& b = g_buttonTable[index];
    for (int y = b.top; y < b.top + b.height; ++y) {
        for (int x = b.left; x < b.left + b.width; ++x) {
            if (face.Image().pixel(x, y) != pressed.Image().pixel(x, y)) return QPoint(x, y);
        }
    }
    return QPoint(-1, -1);
}

}  // namespace

class SkinTest : public QObject {
    Q_OBJECT

  private slots:
    // A face's outline is the face less exactly its transparent pixels (the
    // colour of its top left one); a window takes its face's size and outline.
    void windowTakesFaceSizeAndOutline() {
        for (const WindowKindCase& k : kKinds) {
            TestWindow w(k);
            const QImage face = CSkinBitmap(k.face).Image().convertToFormat(QImage::Format_RGB32);
            long long transparent = 0;
            for (int y = 0; y < face.height(); ++y)
                for (int x = 0; x < face.width(); ++x)
                    transparent += face.pixel(x, y) == face.pixel(0, 0);
            QVERIFY(transparent > 1);  // the rounded corners at least
            QCOMPARE(w.size(), face.size());
            QCOMPARE(RegionPixelCount(w.mask()), 1LL * face.width() * face.height() - transparent);
            QVERIFY(w.windowFlags().testFlag(Qt::FramelessWindowHint));
        }
    }

    void regionOfFaceWithOneTransparentPixel() {
        QImage img(7, 5, QImage::Format_RGB32);
        img.fill(qRgb(10, 20, 30));
        img.setPixel(0, 0, qRgb(1, 2, 3));
        img.setPixel(6, 4, qRgb(1, 2, 4));  // close, but not the same colour
        CSkinBitmap face;
        QVERIFY(face.LoadImage(img));
        QCOMPARE(RegionPixelCount(face.BuildRegion()), 7LL * 5 - 1);
        QVERIFY(!CSkinBitmap(999).IsLoaded());  // an unknown resource
    }

    // Every window: the pressed face shows while held, the action runs only
    // on a release inside, a press outside every button does nothing.
    void pressAndRelease() {
        for (const WindowKindCase& k : kKinds) {
            const ButtonRules& rules = RulesFor(k.kind);
            TestWindow w(k);
            w.show();
            QVERIFY(QTest::qWaitForWindowExposed(&w));
            const CSkinBitmap face(k.face), pressed(k.pressed);
            for (int i = rules.first; i <= rules.last; ++i) {
                const QPoint spot = DifferingPixel(face, pressed, i);
                QVERIFY2(spot.x() >= 0, "pressed face must look different");
                QTest::mousePress(&w, Qt::LeftButton, {}, ButtonCentre(i));
                QCOMPARE(w.PressedButton(), i);
                // What the screen shows: the press and the release each
                // repaint the button.
                QTRY_COMPARE(ShownImage(w).pixel(spot), pressed.Image().pixel(spot));
                QTest::mouseRelease(&w, Qt::LeftButton, {}, ButtonCentre(i));
                QTRY_COMPARE(ShownImage(w).pixel(spot), face.Image().pixel(spot));
            }
            std::vector<int> all;
            for (int i = rules.first; i <= rules.last; ++i) all.push_back(i);
            QCOMPARE(w.actions, all);

            w.actions.clear();
            QTest::mousePress(&w, Qt::LeftButton, {}, ButtonCentre(rules.first));
            QTest::mouseRelease(&w, Qt::LeftButton, {}, QPoint(w.width() / 2, w.height() / 2));
            QTest::mousePress(&w, Qt::LeftButton, {}, QPoint(w.width() / 2, w.height() / 2));
            QCOMPARE(w.PressedButton(), -1);
            QTest::mouseRelease(&w, Qt::LeftButton, {}, ButtonCentre(rules.first));
            QVERIFY(w.actions.empty());
        }
    }

    // The main window ignores the ready flag; the list needs it at the press,
    // the satellite tree at the press and at the release.
    void readyFlagRules() {
        struct Case {
            int kind, button;
            bool readyAtPress, readyAtRelease, pressTaken, acts;
        };
        constexpr Case cases[] = {{0, 3, false, false, true, true},
                                  {1, 9, false, false, false, false},
                                  {1, 9, true, false, true, true},
                                  {2, 17, true, false, true, false}};
        for (const Case& c : cases) {
            TestWindow w(kKinds[c.kind]);
            w.SetButtonReady(c.button, c.readyAtPress);
            QTest::mousePress(&w, Qt::LeftButton, {}, ButtonCentre(c.button));
            QCOMPARE(w.PressedButton(), c.pressTaken ? c.button : -1);
            w.SetButtonReady(c.button, c.readyAtRelease);
            QTest::mouseRelease(&w, Qt::LeftButton, {}, ButtonCentre(c.button));
            QCOMPARE(w.actions, c.acts ? std::vector<int>{c.button} : std::vector<int>{});
        }
    }

    // Each window keeps its own flags: clearing one window's button leaves
    // another window of the same kind alone, a paint re-arms only the window
    // painted, and another window's index is never ready here.
    void readyFlagsBelongToTheirWindow() {
        TestWindow painted(kKinds[2]);
        TestWindow other(kKinds[2]);
        painted.SetButtonReady(17, false);
        other.SetButtonReady(17, false);
        other.SetButtonReady(16, false);
        painted.grab();
        QVERIFY(painted.IsButtonReady(17));
        QVERIFY(!other.IsButtonReady(17) && !other.IsButtonReady(16));
        QVERIFY(other.IsButtonReady(15));
        painted.SetButtonReady(9, true);
        QVERIFY(!painted.IsButtonReady(9));
    }

    // Neighbouring buttons of the satellite tree's row overlap; the lower
    // index takes the press.
    void overlappingButtonsLowerIndexWins() {
        const CButtonStates tree(SkinWindowKind::SatelliteTree);
        QCOMPARE(tree.PressedAt(52, 290), 13);
        QCOMPARE(tree.PressedAt(53, 290), 14);
        QCOMPARE(tree.PressedAt(249, 307), 17);
        QCOMPARE(tree.PressedAt(250, 307), -1);
        // Another window's buttons are not this window's.
        const CButtonStates main(SkinWindowKind::Main);
        QCOMPARE(main.PressedAt(ButtonCentre(9).x(), ButtonCentre(9).y()), -1);
    }

    void enterAndEscapeDoNotClose() {
        TestWindow w(kKinds[0]);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        for (int key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
            QTest::keyClick(&w, static_cast<Qt::Key>(key));
            QVERIFY(w.isVisible());
        }
    }
};

QTEST_MAIN(SkinTest)
#include "skin_test.moc"
