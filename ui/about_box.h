#pragma once

#include <QDialog>

namespace orbix {

class INotices;
class CLinkLabel;

// The program's own details shown in the About box.
struct AboutDetails {
    static const char* const kProductLine;  // name and version
    static const char* const kRightsLine;
    static const char* const kMakerName;  // the hyperlink label's text
    static const char* const kAddress;    // what the label opens
};

// Dialog 100: icon, product and version line, rights line, the maker's name as
// a hyperlink to the project's web address, and an OK button.
class CAboutBox : public QDialog {
    Q_OBJECT

  public:
    explicit CAboutBox(INotices& notices, QWidget* parent = nullptr);
    CLinkLabel& Link() { return *m_link; }

  private:
    CLinkLabel* m_link;
};

}  // namespace orbix
