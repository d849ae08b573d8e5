#include "ui/link_label.h"

#include <QApplication>
#include <QDesktopServices>
#include <QMouseEvent>
#include <QUrl>
#include <array>
#include <string_view>

#include "platform/notices.h"
#include "platform/text.h"

namespace orbix {
namespace {

struct OpenError {
    int code;
    std::string_view text;
};

constexpr std::array<OpenError, 13> kOpenErrors{{
    {0, "The operating system is out\nof memory or resources."},
    {2, "The specified file was not found."},
    {3, "The specified path was not found."},
    {5, "The operating system denied\naccess to the specified file."},
    {8, "There was not enough memory to complete the operation."},
    {11, "The .EXE file is invalid\n(non-Win32 .EXE or error in .EXE image)."},
    {26, "A sharing violation occurred. "},
    {27, "The filename association is\nincomplete or invalid."},
    {28, "The DDE transaction could not\nbe completed because the request timed out."},
    {29, "The DDE transaction failed."},
    {30,
     "The DDE transaction could not\nbe completed because other DDE transactions\nwere being "
     "processed."},
    {31, "There is no application associated\nwith the given filename extension."},
    {32, "The specified dynamic-link library was not found."},
}};

constexpr int kOpenSucceeded = 33;
constexpr int kNoAssociation = 31;

}  // namespace

int OpenAddressWithDesktop(const QString& address) {
    return QDesktopServices::openUrl(QUrl(address)) ? kOpenSucceeded : kNoAssociation;
}

std::string OpenErrorText(int code) {
    std::string text = "Unable to open hyperlink:\n\n";
    for (const OpenError& e : kOpenErrors) {
        if (e.code == code) return text.append(e.text);
    }
    return text + "Unknown Error (" + std::to_string(code) + ") occurred.";
}

CLinkLabel::CLinkLabel(INotices& notices, QWidget* parent)
    : QLabel(parent), m_notices(notices), m_beep([] { QApplication::beep(); }) {
    setCursor(Qt::ArrowCursor);
    ApplyLook();
}

void CLinkLabel::SetAddress(const QString& address) {
    m_address = address;
    if (text().isEmpty()) setText(address);
    FitToText();
    setToolTip(address);
}

void CLinkLabel::SetVisited(bool visited) {
    m_visited = visited;
    ApplyLook();
}

void CLinkLabel::SetUnderline(bool underline) {
    m_underline = underline;
    ApplyLook();
}

void CLinkLabel::SetLinkCursor(const QCursor& cursor) { setCursor(cursor); }

void CLinkLabel::ApplyLook() {
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, m_visited ? kVisitedColour : kLinkColour);
    setPalette(pal);
    QFont f = font();
    f.setUnderline(m_underline);
    setFont(f);
    update();
}

// The label shrinks to its text so that only the text is clickable.
void CLinkLabel::FitToText() {
    const QPoint topLeft = geometry().topLeft();
    adjustSize();
    move(topLeft);
}

void CLinkLabel::Open() {
    const int result = m_opener(m_address);
    if (result > 32) {
        SetVisited(true);
        return;
    }
    if (m_beep) m_beep();
    m_notices.Show(Notice{Gbk(OpenErrorText(result)), {}, NoticeButtons::Ok, NoticeIcon::Warning});
}

void CLinkLabel::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        Open();
        return;
    }
    QLabel::mouseReleaseEvent(event);
}

}  // namespace orbix
