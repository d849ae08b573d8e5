// Draws the skin faces, icons and link cursor into the resource folder.
// The images are committed; run this after changing the artwork:
//   make_artwork <source>/res
#include <QDir>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <array>
#include <cstdio>
#include <string_view>

#include "view/button_table.h"

using orbix::ButtonEntry;
using orbix::g_buttonTable;
using orbix::kButtonCount;

namespace {

// Palette of the faceplate.
const QColor kPlateTop(0x3b, 0x41, 0x49);
const QColor kPlateBottom(0x1f, 0x23, 0x28);
const QColor kRimLight(0x70, 0x78, 0x82);
const QColor kRimDark(0x0c, 0x0e, 0x10);
const QColor kEngraved(0xa9, 0xb3, 0xbe);
const QColor kAccent(0x4f, 0xc3, 0xf7);
const QColor kLabel(0xe2, 0xe7, 0xec);
const QColor kLcd(0, 0, 0);
const QColor kArcPlate(251, 216, 197);      // what the arc symbol erases with
const QColor kPercentPlate(255, 204, 255);  // behind the gauge percentages
const QColor kWell(0xf4, 0xf6, 0xf8);

constexpr std::array kThemeIconSizes{16, 32, 48, 64, 128, 256};

const QString kLatinFont = QStringLiteral("Liberation Sans");
const QString kChineseFont = QStringLiteral("WenQuanYi Micro Hei");

// The words painted on a set of faces. The English labels are short forms
// of the buttons' texts, which their tooltips give in full, so that they fit
// the fixed button rectangles; the Chinese ones are the texts themselves.
struct FaceWords {
    const char* suffix;  // added to the file names before ".png"
    std::array<std::string_view, kButtonCount> labels;
    const char* listTitle;
    const char* treeTitle;
};

constexpr std::array<std::string_view, kButtonCount> ChineseLabels() {
    std::array<std::string_view, kButtonCount> labels{};
    for (int i = 0; i < kButtonCount; ++i) labels[i] = g_buttonTable[i].text;
    return labels;
}

const std::array<FaceWords, 2> kWords{{
    {"", ChineseLabels(), "节目列表", "卫星参数"},
    {"_en",
     {"", "", "", "Play", "Stop", "Record", "Setup", "List", "", "Add", "Delete", "Edit", "", "Add",
      "Delete", "Edit", "Lock", "Search"},
     "Program list",
     "Satellites"},
}};

struct FaceSpec {
    const char* file;
    const char* pressedFile;
    int width, height, pressedHeight;
    QColor key;  // the transparent colour, also at pixel (0, 0)
    int radius;  // corner radius of the outline
    int firstButton, lastButton;
    const char* title;  // empty for the main window, which has its own top bar
};

QFont Font(const QString& family, int pixelSize, bool bold = false) {
    QFont f(family);
    f.setPixelSize(pixelSize);
    f.setBold(bold);
    f.setHintingPreference(QFont::PreferFullHinting);
    return f;
}

QPainterPath Outline(int w, int h, int radius) {
    QPainterPath path;
    path.addRoundedRect(QRectF(0, 0, w, h), radius, radius);
    return path;
}

void DrawPlate(QPainter& p, int w, int h, int radius) {
    QLinearGradient g(0, 0, 0, h);
    g.setColorAt(0, kPlateTop);
    g.setColorAt(1, kPlateBottom);
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawRoundedRect(QRectF(0, 0, w, h), radius, radius);
    // Fine brushed-metal lines.
    for (int y = 2; y < h - 2; y += 3) {
        p.setPen(QColor(255, 255, 255, 7));
        p.drawLine(2, y, w - 3, y);
    }
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(kRimDark, 1));
    p.drawRoundedRect(QRectF(0.5, 0.5, w - 1, h - 1), radius, radius);
    p.setPen(QPen(QColor(kRimLight.red(), kRimLight.green(), kRimLight.blue(), 150), 1));
    p.drawRoundedRect(QRectF(1.5, 1.5, w - 3, h - 3), radius - 1, radius - 1);
}

// A recessed panel: dark bezel, lit lower edge, filled with `fill`.
void DrawInset(QPainter& p, const QRect& r, const QColor& fill, int radius) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x0a, 0x0b, 0x0d));
    p.drawRoundedRect(QRectF(r).adjusted(-2, -2, 2, 2), radius + 2, radius + 2);
    p.setBrush(QColor(0x5a, 0x62, 0x6c));
    p.drawRoundedRect(QRectF(r).adjusted(-1, 0, 1, 2), radius + 1, radius + 1);
    p.setBrush(QColor(0x08, 0x09, 0x0a));
    p.drawRoundedRect(QRectF(r).adjusted(-1, -1, 1, 1), radius + 1, radius + 1);
    p.setBrush(fill);
    p.drawRoundedRect(QRectF(r), radius, radius);
}

QString Text(std::string_view utf8) {
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

// A label stays on one line when it fits at a readable size; otherwise it
// is split in two, at a break chosen by meaning where the middle would cut a
// word.
QStringList LabelLines(int index, const QString& text, int width) {
    if (QFontMetrics(Font(kChineseFont, 9)).horizontalAdvance(text) <= width) return {text};
    // A Latin label breaks only at a space and otherwise shrinks.
    if (const qsizetype space = text.indexOf(QLatin1Char(' ')); space > 0)
        return {text.left(space), text.mid(space + 1)};
    if (text.front().unicode() < 0x80) return {text};
    const int cut = index == 7 ? 2 : static_cast<int>((text.size() + 1) / 2);
    return {text.left(cut), text.mid(cut)};
}

int FittingSize(const QStringList& lines, int width, int height, int largest) {
    for (int size = largest; size > 6; --size) {
        QFontMetrics fm(Font(kChineseFont, size));
        bool fits = fm.height() * lines.size() <= height + 2;
        for (const QString& line : lines) fits = fits && fm.horizontalAdvance(line) <= width;
        if (fits) return size;
    }
    return 7;
}

void DrawLabel(QPainter& p, int index, std::string_view label, const QRect& r,
               const QColor& colour) {
    const QString text = Text(label);
    const int width = r.width() - 4;
    QStringList lines = LabelLines(index, text, width);
    const int size = FittingSize(lines, width, r.height() - 2, lines.size() == 1 ? 12 : 10);
    p.setFont(Font(kChineseFont, size));
    p.setPen(colour);
    p.drawText(r, Qt::AlignCenter, lines.join(QLatin1Char('\n')));
}

enum class Glyph { Info, Minimise, Close };

Glyph GlyphOf(int index) {
    if (index == 0) return Glyph::Info;
    if (index == 1) return Glyph::Minimise;
    return Glyph::Close;
}

void DrawRoundButton(QPainter& p, int index, bool pressed) {
    const ButtonEntry& b = g_buttonTable[index];
    const QRectF r(b.left + 0.5, b.top + 0.5, b.width - 1, b.height - 1);
    const Glyph glyph = GlyphOf(index);
    QRadialGradient g(r.center() + QPointF(-1.5, -1.5), r.width());
    const QColor base = glyph == Glyph::Close ? QColor(0xc8, 0x3c, 0x32) : QColor(0x5b, 0x64, 0x6e);
    g.setColorAt(0, pressed ? base.darker(170) : base.lighter(150));
    g.setColorAt(1, pressed ? base.darker(120) : base.darker(130));
    p.setBrush(g);
    p.setPen(QPen(pressed ? QColor(0x05, 0x05, 0x05) : kRimDark, 1));
    p.drawEllipse(r);
    const QPointF c = r.center() + (pressed ? QPointF(0.5, 0.5) : QPointF(0, 0));
    p.setPen(QPen(pressed ? kAccent : kLabel, 1.3, Qt::SolidLine, Qt::RoundCap));
    switch (glyph) {
        case Glyph::Info:
            p.drawPoint(c + QPointF(0, -2.2));
            p.drawLine(c + QPointF(0, -0.5), c + QPointF(0, 2.5));
            break;
        case Glyph::Minimise:
            p.drawLine(c + QPointF(-2.5, 1.5), c + QPointF(2.5, 1.5));
            break;
        case Glyph::Close:
            p.drawLine(c + QPointF(-2, -2), c + QPointF(2, 2));
            p.drawLine(c + QPointF(-2, 2), c + QPointF(2, -2));
            break;
    }
}

void DrawPushButton(QPainter& p, int index, std::string_view label, bool pressed) {
    const ButtonEntry& b = g_buttonTable[index];
    const QRect r(b.left, b.top, b.width, b.height);
    QLinearGradient g(0, r.top(), 0, r.bottom());
    g.setColorAt(0, pressed ? QColor(0x1c, 0x20, 0x24) : QColor(0x5c, 0x64, 0x6e));
    g.setColorAt(1, pressed ? QColor(0x2b, 0x30, 0x36) : QColor(0x30, 0x35, 0x3b));
    p.setPen(QPen(kRimDark, 1));
    p.setBrush(g);
    p.drawRoundedRect(QRectF(r).adjusted(0.5, 0.5, -0.5, -0.5), 3, 3);
    // Raised: light top edge. Pressed: shadow along the top.
    p.setPen(pressed ? QColor(0, 0, 0, 160) : QColor(255, 255, 255, 70));
    p.drawLine(r.left() + 3, r.top() + 1, r.right() - 3, r.top() + 1);
    const QRect text = pressed ? r.translated(1, 1) : r;
    DrawLabel(p, index, label, text, pressed ? kAccent : kLabel);
}

void DrawButtons(QPainter& p, const FaceWords& words, int first, int last, bool pressed) {
    for (int i = first; i <= last; ++i) {
        const ButtonEntry& b = g_buttonTable[i];
        if (b.width <= 10 && b.height <= 10) {
            DrawRoundButton(p, i, pressed);
        } else {
            DrawPushButton(p, i, words.labels[i], pressed);
        }
    }
}

void DrawWordmark(QPainter& p, const QRect& r, const char* subtitle) {
    p.setFont(Font(kLatinFont, 15, true));
    p.setPen(QColor(0, 0, 0, 150));
    const QRect top(r.left(), r.top(), r.width(), 16);
    p.drawText(top.translated(0, 1), Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("OrbixRx"));
    p.setPen(kEngraved);
    p.drawText(top, Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("OrbixRx"));
    p.setFont(Font(kLatinFont, 7));
    p.setPen(kAccent);
    p.drawText(QRect(r.left(), r.top() + 15, r.width(), 9), Qt::AlignRight | Qt::AlignVCenter,
               QString::fromLatin1(subtitle));
}

void DrawTitle(QPainter& p, const char* title, int x, int y) {
    p.setFont(Font(kChineseFont, 11));
    p.setPen(kAccent);
    p.drawText(QPoint(x, y), QString::fromUtf8(title));
}

// A small dish with three signal arcs, drawn into a square.
void DrawDish(QPainter& p, const QRectF& box, const QColor& dish, const QColor& waves) {
    const double s = box.width();
    const QPointF o = box.topLeft();
    auto at = [&](double fx, double fy) { return o + QPointF(fx * s, fy * s); };
    p.setPen(QPen(dish, s * 0.07, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(dish);
    QPainterPath bowl;
    bowl.moveTo(at(0.10, 0.40));
    bowl.quadTo(at(0.20, 0.95), at(0.70, 0.88));
    bowl.closeSubpath();
    p.drawPath(bowl);
    p.drawLine(at(0.40, 0.64), at(0.62, 0.46));  // feed arm
    p.drawLine(at(0.42, 0.80), at(0.34, 0.97));  // stand
    p.drawLine(at(0.22, 0.97), at(0.50, 0.97));
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(waves, s * 0.07, Qt::SolidLine, Qt::RoundCap));
    for (int k = 1; k <= 3; ++k) {
        const double r = 0.12 * k;
        p.drawArc(QRectF(at(0.62 - r, 0.46 - r), QSizeF(2 * r * s, 2 * r * s)), 0, 90 * 16);
    }
}

void DrawMainDetails(QPainter& p) {
    // Top bar: name plate between the about and minimise buttons.
    p.setFont(Font(kLatinFont, 8, true));
    p.setPen(kEngraved);
    p.drawText(QPoint(21, 11), QStringLiteral("DVB-S"));
    p.setFont(Font(kLatinFont, 7));
    p.setPen(kAccent);
    p.drawText(QPoint(53, 11), QStringLiteral("DATA  RECEIVER"));
    p.setPen(QColor(0, 0, 0, 140));
    p.drawLine(6, 15, 343, 15);
    p.setPen(QColor(255, 255, 255, 30));
    p.drawLine(6, 16, 343, 16);

    // Emblem at the left, the lit window of the signal symbol beside it.
    DrawInset(p, QRect(8, 22, 44, 44), QColor(0x14, 0x17, 0x1a), 5);
    DrawDish(p, QRectF(12, 26, 36, 36), QColor(0xb8, 0xc2, 0xcc), kAccent);
    DrawInset(p, QRect(60, 20, 40, 40), kArcPlate, 5);

    // The LCD: status text, the two gauges with their captions and
    // percentages, and the play/save line at the bottom.
    DrawInset(p, QRect(102, 21, 242, 72), kLcd, 4);
    p.setFont(Font(kLatinFont, 7));
    p.setPen(QColor(0x3c, 0x80, 0x9c));
    p.drawText(QPoint(105, 48), QStringLiteral("SIGNAL"));
    p.drawText(QPoint(105, 65), QStringLiteral("QUALITY"));
    p.setPen(QColor(0x1d, 0x33, 0x3d));
    p.setBrush(Qt::NoBrush);
    p.drawRect(104, 50, 201, 9);
    p.drawRect(104, 67, 201, 9);
    p.setPen(Qt::NoPen);
    p.setBrush(kPercentPlate);
    p.drawRoundedRect(QRectF(306, 47, 36, 14), 2, 2);
    p.drawRoundedRect(QRectF(306, 64, 36, 14), 2, 2);
    p.setPen(QColor(0x1d, 0x33, 0x3d));
    p.drawLine(105, 79, 340, 79);

    // Caption plate under the LCD and the name at the right of the buttons.
    DrawWordmark(p, QRect(204, 96, 138, 24), "DIGITAL SATELLITE RECEIVER");
}

void DrawListDetails(QPainter& p, const FaceWords& words) {
    DrawTitle(p, words.listTitle, 12, 14);
    DrawInset(p, QRect(9, 22, 332, 137), kWell, 2);
    DrawWordmark(p, QRect(214, 163, 126, 24), "PROGRAM LIST");
}

void DrawTreeDetails(QPainter& p, const FaceWords& words) {
    DrawTitle(p, words.treeTitle, 9, 13);
    DrawInset(p, QRect(7, 19, 236, 262), kWell, 2);
}

const std::array<FaceSpec, 3> kFaces{{
    {"main_face.png", "main_pressed.png", 350, 122, 122, QColor(92, 92, 92), 8, 0, 7, ""},
    {"list_face.png", "list_pressed.png", 350, 189, 188, QColor(188, 188, 188), 8, 8, 11, "list"},
    {"tree_face.png", "tree_pressed.png", 250, 310, 310, QColor(100, 100, 100), 4, 12, 17, "tree"},
}};

// Outside the outline every pixel takes the transparent colour exactly;
// inside, no pixel may happen to have it.
void CutOutline(QImage& img, const FaceSpec& face) {
    const QPainterPath outline = Outline(face.width, face.height, face.radius);
    const QRgb key = face.key.rgb();
    for (int y = 0; y < img.height(); ++y) {
        for (int x = 0; x < img.width(); ++x) {
            const bool inside = outline.contains(QPointF(x + 0.5, y + 0.5));
            const QRgb c = img.pixel(x, y);
            if (!inside) {
                img.setPixel(x, y, key);
            } else if (c == key) {
                img.setPixel(x, y, qRgb(qRed(c), qGreen(c), qBlue(c) + 1));
            }
        }
    }
}

QImage DrawFace(const FaceSpec& face, const FaceWords& words, bool pressed) {
    QImage img(face.width, face.height, QImage::Format_RGB32);
    img.fill(kPlateBottom);
    {
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::TextAntialiasing);
        DrawPlate(p, face.width, face.height, face.radius);
        const std::string_view which(face.title);
        if (which.empty()) DrawMainDetails(p);
        if (which == "list") DrawListDetails(p, words);
        if (which == "tree") DrawTreeDetails(p, words);
        DrawButtons(p, words, face.firstButton, face.lastButton, pressed);
    }
    CutOutline(img, face);
    const int height = pressed ? face.pressedHeight : face.height;
    return img.copy(0, 0, face.width, height).convertToFormat(QImage::Format_RGB888);
}

// Drawn on a 32-pixel grid and scaled, so the desktop sizes match the
// window icon.
QImage DrawIcon(const QColor& waves, const QColor& lamp, int size = 32) {
    QImage img(size, size, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 32.0, size / 32.0);
    QLinearGradient g(0, 0, 0, 32);
    g.setColorAt(0, kPlateTop.lighter(120));
    g.setColorAt(1, kPlateBottom);
    p.setPen(QPen(kRimDark, 1));
    p.setBrush(g);
    p.drawRoundedRect(QRectF(0.5, 0.5, 31, 31), 6, 6);
    DrawDish(p, QRectF(3, 3, 26, 26), QColor(0xe4, 0xea, 0xf0), waves);
    if (lamp.isValid()) {
        p.setPen(QPen(kRimDark, 1));
        p.setBrush(lamp);
        p.drawEllipse(QRectF(21.5, 21.5, 8, 8));
    }
    return img;
}

// A pointing hand; its fingertip is the hot spot at (8, 1).
QImage DrawLinkCursor() {
    QImage img(32, 32, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath hand;
    hand.addRoundedRect(QRectF(6, 1, 5, 15), 2.5, 2.5);      // index finger
    hand.addRoundedRect(QRectF(10.5, 8, 4.5, 9), 2.2, 2.2);  // middle finger
    hand.addRoundedRect(QRectF(14.5, 9, 4.5, 9), 2.2, 2.2);  // ring finger
    hand.addRoundedRect(QRectF(18.5, 10, 4, 9), 2, 2);       // little finger
    hand.addRoundedRect(QRectF(6, 13, 16.5, 12), 4, 4);      // palm
    QPainterPath thumb;
    thumb.moveTo(7, 20);
    thumb.lineTo(2.5, 14.5);
    thumb.quadTo(1, 12.5, 3.5, 12);
    thumb.lineTo(7, 15);
    hand = hand.united(thumb).simplified();
    p.setPen(QPen(Qt::black, 1.2));
    p.setBrush(Qt::white);
    p.drawPath(hand);
    p.setPen(QPen(QColor(0, 0, 0, 110), 0.8));
    p.drawLine(QPointF(10.8, 13), QPointF(10.8, 16));
    p.drawLine(QPointF(14.8, 13), QPointF(14.8, 17));
    p.drawLine(QPointF(18.8, 13), QPointF(18.8, 18));
    return img;
}

bool Save(const QImage& img, const QDir& dir, const char* name, const char* suffix = "") {
    QString file = QString::fromLatin1(name);
    file.insert(file.lastIndexOf(QLatin1Char('.')), QString::fromLatin1(suffix));
    const QString path = dir.filePath(file);
    if (img.save(path, "PNG")) return true;
    std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <resource folder>\n", argv[0]);
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    bool ok = true;
    for (const FaceWords& words : kWords) {
        for (const FaceSpec& face : kFaces) {
            ok = Save(DrawFace(face, words, false), dir, face.file, words.suffix) && ok;
            ok = Save(DrawFace(face, words, true), dir, face.pressedFile, words.suffix) && ok;
        }
    }
    ok = Save(DrawIcon(kAccent, QColor()), dir, "icon_program.png") && ok;
    ok = Save(DrawIcon(QColor(0x3d, 0xe0, 0x5a), QColor(0x3d, 0xe0, 0x5a)), dir,
              "icon_locked.png") &&
         ok;
    ok = Save(DrawIcon(QColor(0xf0, 0x44, 0x3a), QColor(0xf0, 0x44, 0x3a)), dir,
              "icon_not_locked.png") &&
         ok;
    ok = Save(DrawLinkCursor(), dir, "link_cursor.png") && ok;
    // The program's icon in the desktop's icon theme sizes.
    for (int size : kThemeIconSizes) {
        const QString sub = QStringLiteral("hicolor/%1x%1/apps").arg(size);
        dir.mkpath(sub);
        ok = Save(DrawIcon(kAccent, QColor(), size), QDir(dir.filePath(sub)), "orbixrx.png") && ok;
    }
    return ok ? 0 : 1;
}
