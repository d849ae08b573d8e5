#include <QKeyEvent>
#include <QPainter>
#include <QtTest>
#include <vector>

#include "tests/support/button_centre.h"
#include "ui/button_table.h"
#include "ui/resources.h"
#include "ui/skin_bitmap.h"
#include "ui/skin_window.h"

using namespace orbix;
using testing::ButtonCentre;

namespace {

long long CountColour(const QImage& img, QRgb colour) {
    const QImage rgb = img.convertToFormat(QImage::Format_RGB32);
    long long n = 0;
    for (int y = 0; y < rgb.height(); ++y) {
        for (int x = 0; x < rgb.width(); ++x) n += rgb.pixel(x, y) == colour;
    }
    return n;
}

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
    void init() {
        for (int i = 0; i < kButtonCount; ++i) SetButtonReady(i, true);
    }

    void faces_data() {
        QTest::addColumn<int>("id");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QColor>("key");
        QTest::newRow("main") << int(kFaceMain) << QSize(350, 122) << QColor(92, 92, 92);
        QTest::newRow("main pressed")
            << int(kFaceMainPressed) << QSize(350, 122) << QColor(92, 92, 92);
        QTest::newRow("list") << int(kFaceProgramList) << QSize(350, 189) << QColor(188, 188, 188);
        QTest::newRow("list pressed")
            << int(kFaceProgramListPressed) << QSize(350, 188) << QColor(188, 188, 188);
        QTest::newRow("tree") << int(kFaceSatTree) << QSize(250, 310) << QColor(100, 100, 100);
        QTest::newRow("tree pressed")
            << int(kFaceSatTreePressed) << QSize(250, 310) << QColor(100, 100, 100);
    }

    // The outline is the face less exactly its transparent pixels.
    void faces() {
        QFETCH(int, id);
        QFETCH(QSize, size);
        QFETCH(QColor, key);
        CSkinBitmap face(id);
        QVERIFY(face.IsLoaded());
        QCOMPARE(QSize(face.Width(), face.Height()), size);
        QCOMPARE(face.TransparentColour(), key.rgb());
        const long long transparent = CountColour(face.Image(), key.rgb());
        QVERIFY(transparent > 1);  // the rounded corners at least
        const QRegion& region = face.BuildRegion();
        QCOMPARE(RegionPixelCount(region), 1LL * size.width() * size.height() - transparent);
        QVERIFY(!region.contains(QPoint(0, 0)));
        QVERIFY(region.contains(QPoint(size.width() / 2, size.height() / 2)));
    }

    void regionOfFaceWithOneTransparentPixel() {
        QImage img(7, 5, QImage::Format_RGB32);
        img.fill(qRgb(10, 20, 30));
        img.setPixel(0, 0, qRgb(1, 2, 3));
        img.setPixel(6, 4, qRgb(1, 2, 4));  // close, but not the same colour
        CSkinBitmap face;
        QVERIFY(face.LoadImage(img));
        QCOMPARE(RegionPixelCount(face.BuildRegion()), 7LL * 5 - 1);
    }

    void unknownResourceDoesNotLoad() {
        CSkinBitmap face(999);
        QVERIFY(!face.IsLoaded());
    }

    void drawSkinDefaultsCopyTheWholeFace() {
        CSkinBitmap face(kFaceMain);
        QImage target(face.Width(), face.Height(), QImage::Format_RGB32);
        target.fill(Qt::white);
        QPainter p(&target);
        QVERIFY(face.DrawSkin(p, 0, 0, 0, 0, -1, -1));
        p.end();
        QCOMPARE(target, face.Image());
    }

    void iconsAndCursorLoad() {
        InitResources();
        for (int id : {kIconProgram, kIconLocked, kIconNotLocked, kCursorLink}) {
            QCOMPARE(QImage(ResourcePath(id)).size(), QSize(32, 32));
        }
    }

    void windowTakesFaceSizeAndOutline() {
        for (const WindowKindCase& k : kKinds) {
            TestWindow w(k);
            CSkinBitmap face(k.face);
            QCOMPARE(w.size(), QSize(face.Width(), face.Height()));
            QCOMPARE(w.mask(), face.BuildRegion());
            QVERIFY(w.windowFlags().testFlag(Qt::FramelessWindowHint));
        }
    }

    // Every window: the pressed face shows while held, the action runs only
    // on a release inside, a press outside every button does nothing.
    void pressAndRelease() {
        for (const WindowKindCase& k : kKinds) {
            const ButtonRules& rules = RulesFor(k.kind);
            TestWindow w(k);
            w.show();
            const CSkinBitmap face(k.face), pressed(k.pressed);
            for (int i = rules.first; i <= rules.last; ++i) {
                const QPoint spot = DifferingPixel(face, pressed, i);
                QVERIFY2(spot.x() >= 0, "pressed face must look different");
                QTest::mousePress(&w, Qt::LeftButton, {}, ButtonCentre(i));
                QCOMPARE(w.PressedButton(), i);
                QCOMPARE(w.grab().toImage().pixel(spot), pressed.Image().pixel(spot));
                QTest::mouseRelease(&w, Qt::LeftButton, {}, ButtonCentre(i));
                QCOMPARE(w.grab().toImage().pixel(spot), face.Image().pixel(spot));
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

    void readyFlagRules_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("button");
        QTest::addColumn<bool>("readyAtPress");
        QTest::addColumn<bool>("readyAtRelease");
        QTest::addColumn<bool>("pressTaken");
        QTest::addColumn<bool>("acts");
        // The main window ignores the ready flag.
        QTest::newRow("main not ready") << 0 << 3 << false << false << true << true;
        QTest::newRow("list not ready") << 1 << 9 << false << false << false << false;
        QTest::newRow("list cleared while held") << 1 << 9 << true << false << true << true;
        QTest::newRow("tree not ready") << 2 << 17 << false << false << false << false;
        QTest::newRow("tree cleared while held") << 2 << 17 << true << false << true << false;
        QTest::newRow("tree ready") << 2 << 17 << true << true << true << true;
    }

    void readyFlagRules() {
        QFETCH(int, kind);
        QFETCH(int, button);
        QFETCH(bool, readyAtPress);
        QFETCH(bool, readyAtRelease);
        QFETCH(bool, pressTaken);
        QFETCH(bool, acts);
        TestWindow w(kKinds[kind]);
        SetButtonReady(button, readyAtPress);
        QTest::mousePress(&w, Qt::LeftButton, {}, ButtonCentre(button));
        QCOMPARE(w.PressedButton(), pressTaken ? button : -1);
        SetButtonReady(button, readyAtRelease);
        QTest::mouseRelease(&w, Qt::LeftButton, {}, ButtonCentre(button));
        QCOMPARE(w.actions, acts ? std::vector<int>{button} : std::vector<int>{});
    }

    void paintMakesOwnButtonsReady() {
        TestWindow w(kKinds[2]);
        SetButtonReady(17, false);
        SetButtonReady(9, false);
        w.grab();
        QVERIFY(IsButtonReady(17));
        QVERIFY(!IsButtonReady(9));  // another window's button
    }

    // Neighbouring buttons of the satellite tree's row overlap; the lower
    // index takes the press.
    void overlappingButtonsLowerIndexWins() {
        QCOMPARE(PressedButtonAt(SkinWindowKind::SatelliteTree, 52, 290), 13);
        QCOMPARE(PressedButtonAt(SkinWindowKind::SatelliteTree, 53, 290), 14);
        QCOMPARE(PressedButtonAt(SkinWindowKind::SatelliteTree, 249, 307), 17);
        QCOMPARE(PressedButtonAt(SkinWindowKind::SatelliteTree, 250, 307), -1);
        // Another window's buttons are not this window's.
        QCOMPARE(PressedButtonAt(SkinWindowKind::Main, ButtonCentre(9).x(), ButtonCentre(9).y()),
                 -1);
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
