#include "platform/notices.h"

#include <cstdio>

#include "platform/text.h"

namespace orbix {

std::vector<std::string> CRecordingNotices::TextsUtf8() const {
    std::lock_guard lock(m_mutex);
    std::vector<std::string> texts;
    for (const Notice& n : m_shown) texts.push_back(Utf8(n.text));
    return texts;
}

NoticeAnswer CConsoleNotices::Show(const Notice& notice) {
    const std::string shown = m_printable ? m_printable(notice.text) : Utf8(notice.text);
    std::fprintf(stderr, "%s\n", shown.c_str());
    return notice.buttons == NoticeButtons::Ok ? NoticeAnswer::Ok : NoticeAnswer::No;
}

}  // namespace orbix
