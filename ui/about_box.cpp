#include "ui/about_box.h"

#include <QIcon>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <algorithm>

#include "ui/link_label.h"
#include "ui/qt_text.h"
#include "ui/resources.h"

#ifndef ORBIXRX_VERSION
#error "ORBIXRX_VERSION comes from the project version"
#endif

namespace orbix {

const char* const AboutDetails::kProductLine = "OrbixRx " ORBIXRX_VERSION;
const char* const AboutDetails::kRightsLine = "Copyright (C) 2026";
const char* const AboutDetails::kMakerName = "OrbixRx 开发组";
const char* const AboutDetails::kAddress = "https://orbixrx.example.org/";

namespace {

// The dialog's layout in dialog units of a 9-point face, one unit being
// 1.5 pixels each way.
constexpr double kUnit = 1.5;

QRect Units(int x, int y, int w, int h) {
    return QRect(int(x * kUnit), int(y * kUnit), int(w * kUnit), int(h * kUnit));
}

QLabel* AddText(QWidget* parent, const char* utf8, const QRect& r) {
    auto* label = new QLabel(TrUtf8(utf8), parent);
    // Tall enough for the face's descenders, whatever the unit rounding.
    label->setGeometry(r.adjusted(0, 0, 0, std::max(0, label->sizeHint().height() - r.height())));
    return label;
}

}  // namespace

CAboutBox::CAboutBox(INotices& notices, QWidget* parent) : QDialog(parent) {
    InitResources();
    setWindowTitle(TrUtf8("关于 OrbixCenter"));
    QFont f(QStringLiteral("WenQuanYi Micro Hei"));
    f.setPointSize(9);
    setFont(f);
    setFixedSize(Units(0, 0, 233, 51).size());

    auto* icon = new QLabel(this);
    icon->setPixmap(QPixmap(ResourcePath(kIconProgram)));
    icon->setGeometry(QRect(Units(11, 17, 0, 0).topLeft(), QSize(32, 32)));
    AddText(this, AboutDetails::kProductLine, Units(40, 10, 119, 8));
    AddText(this, AboutDetails::kRightsLine, Units(40, 29, 76, 8));

    auto* ok = new QPushButton(TrUtf8("确定"), this);
    ok->setGeometry(Units(176, 7, 50, 14));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    m_link = new CLinkLabel(notices, this);
    m_link->setText(TrUtf8(AboutDetails::kMakerName));
    m_link->setGeometry(Units(122, 29, 97, 8));
    m_link->SetAddress(QString::fromUtf8(AboutDetails::kAddress));
    m_link->SetUnderline(true);
    m_link->SetLinkCursor(QCursor(QPixmap(ResourcePath(kCursorLink)), kLinkCursorHotSpot.x(),
                                  kLinkCursorHotSpot.y()));
}

}  // namespace orbix
