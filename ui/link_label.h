#pragma once

#include <QColor>
#include <QLabel>
#include <functional>
#include <string>

namespace orbix {

class INotices;

// Result of opening an address, in the shell's convention: above 32 is
// success, anything else an error code of the table in OpenErrorText.
using OpenAddressFn = std::function<int(const QString& address)>;

// The default opener: the desktop's browser. A refusal reports 31 (no
// application associated), the closest entry of the error table.
int OpenAddressWithDesktop(const QString& address);

// "Unable to open hyperlink:\n\n" followed by the text for the code.
std::string OpenErrorText(int code);

// A text label that looks and acts like a hyperlink: link colour until a
// successful visit, visited colour after, underlined, its own cursor, the
// address as tooltip; a click opens the address.
class CLinkLabel : public QLabel {
    Q_OBJECT

  public:
    static constexpr QColor kLinkColour{0, 0, 238};
    static constexpr QColor kVisitedColour{85, 26, 139};

    CLinkLabel(INotices& notices, QWidget* parent = nullptr);

    void SetAddress(const QString& address);
    QString Address() const { return m_address; }
    void SetVisited(bool visited);
    bool Visited() const { return m_visited; }
    void SetUnderline(bool underline);
    void SetLinkCursor(const QCursor& cursor);
    // Seams for tests: how an address is opened and how the warning sounds.
    void SetOpener(OpenAddressFn opener) { m_opener = std::move(opener); }
    void SetBeep(std::function<void()> beep) { m_beep = std::move(beep); }

    // Opens the address as a click does.
    void Open();

  protected:
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    void FitToText();
    void ApplyLook();

    INotices& m_notices;
    QString m_address;
    bool m_visited = false;
    bool m_underline = true;
    OpenAddressFn m_opener = OpenAddressWithDesktop;
    std::function<void()> m_beep;
};

}  // namespace orbix
