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
    std::fprintf(stderr, "%s\n", Utf8(notice.text).c_str());
    return notice.buttons == NoticeButtons::Ok ? NoticeAnswer::Ok : NoticeAnswer::No;
}

}  // namespace orbix
