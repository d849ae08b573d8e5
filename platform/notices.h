#pragma once

#include <deque>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace orbix {

enum class NoticeButtons { Ok, YesNo };
enum class NoticeIcon { None, Information, Warning, Error, Question };
enum class NoticeAnswer { Ok, Yes, No };

// One modal message. Texts are GBK bytes; an empty caption means the
// application name.
struct Notice {
    std::string text;
    std::string caption;
    NoticeButtons buttons = NoticeButtons::Ok;
    NoticeIcon icon = NoticeIcon::None;
};

// Every message box of the program goes through this interface. It may be
// called from any thread and blocks that thread until the user answers.
class INotices {
  public:
    virtual ~INotices() = default;
    virtual NoticeAnswer Show(const Notice& notice) = 0;

    // The common case: text alone, OK button.
    void Tell(const std::string& textGbk) {
        Show(Notice{textGbk, {}, NoticeButtons::Ok, NoticeIcon::None});
    }
};

// For tests: records every notice and answers from a script (Yes/No boxes
// get No once the script is used up).
class CRecordingNotices final : public INotices {
  public:
    NoticeAnswer Show(const Notice& notice) override {
        std::lock_guard lock(m_mutex);
        m_shown.push_back(notice);
        if (notice.buttons == NoticeButtons::Ok) return NoticeAnswer::Ok;
        if (m_answers.empty()) return NoticeAnswer::No;
        NoticeAnswer a = m_answers.front();
        m_answers.pop_front();
        return a;
    }

    void ScriptAnswer(NoticeAnswer a) {
        std::lock_guard lock(m_mutex);
        m_answers.push_back(a);
    }
    // Texts shown so far, converted to UTF-8 for readable assertions.
    std::vector<std::string> TextsUtf8() const;
    std::vector<Notice> Shown() const {
        std::lock_guard lock(m_mutex);
        return m_shown;
    }
    void Clear() {
        std::lock_guard lock(m_mutex);
        m_shown.clear();
    }

  private:
    mutable std::mutex m_mutex;
    std::vector<Notice> m_shown;
    std::deque<NoticeAnswer> m_answers;
};

// Writes notices to standard error in UTF-8 and answers No to questions;
// for the command-line companion. printable turns a GBK text into the
// UTF-8 printed (the interface language's translation); plain conversion
// where none is given.
class CConsoleNotices final : public INotices {
  public:
    using Printable = std::string (*)(std::string_view gbk);
    explicit CConsoleNotices(Printable printable = nullptr) : m_printable(printable) {}
    NoticeAnswer Show(const Notice& notice) override;

  private:
    Printable m_printable;
};

}  // namespace orbix
