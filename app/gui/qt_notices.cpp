#include "app/gui/qt_notices.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QMessageBox>
#include <QThread>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <optional>

#include "platform/text.h"
#include "ui/post_to_gui.h"
#include "ui/qt_text.h"

namespace orbix {

// Lives as long as the last worker that waits, even past the notices object.
struct CQtNotices::Shared {
    std::mutex mutex;
    std::condition_variable answered;
    bool shuttingDown = false;
    int waiting = 0;
};

namespace {

QMessageBox::Icon BoxIcon(NoticeIcon icon) {
    switch (icon) {
        case NoticeIcon::Information:
            return QMessageBox::Information;
        case NoticeIcon::Warning:
            return QMessageBox::Warning;
        case NoticeIcon::Error:
            return QMessageBox::Critical;
        case NoticeIcon::Question:
            return QMessageBox::Question;
        case NoticeIcon::None:
            break;
    }
    return QMessageBox::NoIcon;
}

bool OnGuiThread() {
    const QCoreApplication* app = QCoreApplication::instance();
    return app != nullptr && QThread::currentThread() == app->thread();
}

}  // namespace

CQtNotices::CQtNotices(QString appName, NoticePresenter presenter, QObject* parent)
    : QObject(parent),
      m_appName(std::move(appName)),
      m_presenter(presenter ? std::move(presenter) : NoticePresenter(&CQtNotices::ShowMessageBox)),
      m_shared(std::make_shared<Shared>()) {
    if (m_appName.isEmpty())
        m_appName = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
}

CQtNotices::~CQtNotices() { BeginShutdown(); }

NoticeAnswer CQtNotices::DefaultAnswer(const Notice& notice) {
    return notice.buttons == NoticeButtons::Ok ? NoticeAnswer::Ok : NoticeAnswer::No;
}

NoticeAnswer CQtNotices::ShowMessageBox(const Notice& notice, const QString& text,
                                        const QString& caption) {
    const bool question = notice.buttons == NoticeButtons::YesNo;
    QMessageBox box(BoxIcon(notice.icon), caption, text,
                    question ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok);
    const int clicked = box.exec();
    if (!question) return NoticeAnswer::Ok;
    return clicked == QMessageBox::Yes ? NoticeAnswer::Yes : NoticeAnswer::No;
}

NoticeAnswer CQtNotices::Show(const Notice& notice) {
    std::fprintf(stderr, "%s\n", Utf8(notice.text).c_str());
    if (OnGuiThread()) return Present(notice);
    return AskFromWorker(notice);
}

NoticeAnswer CQtNotices::Present(const Notice& notice) {
    const QString caption = notice.caption.empty() ? m_appName : TrGbk(notice.caption);
    return m_presenter(notice, TrGbk(notice.text), caption);
}

NoticeAnswer CQtNotices::AskFromWorker(const Notice& notice) {
    const std::shared_ptr<Shared> shared = m_shared;
    auto answer = std::make_shared<std::optional<NoticeAnswer>>();
    {
        std::lock_guard lock(shared->mutex);
        if (shared->shuttingDown) return DefaultAnswer(notice);
        ++shared->waiting;
    }
    // Dropped unseen if this object is gone before the user-interface thread
    // gets to it; the shutdown flag below releases the worker then.
    PostToGui(this, [this, notice, answer, shared] {
        {
            std::lock_guard lock(shared->mutex);
            if (shared->shuttingDown) return;
        }
        const NoticeAnswer given = Present(notice);
        std::lock_guard lock(shared->mutex);
        *answer = given;
        shared->answered.notify_all();
    });
    std::unique_lock lock(shared->mutex);
    shared->answered.wait(lock, [&] { return answer->has_value() || shared->shuttingDown; });
    --shared->waiting;
    return answer->has_value() ? **answer : DefaultAnswer(notice);
}

void CQtNotices::BeginShutdown() {
    {
        std::lock_guard lock(m_shared->mutex);
        m_shared->shuttingDown = true;
    }
    m_shared->answered.notify_all();
}

int CQtNotices::Waiting() const {
    std::lock_guard lock(m_shared->mutex);
    return m_shared->waiting;
}

}  // namespace orbix
