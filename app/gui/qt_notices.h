#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <string>

#include "platform/notices.h"

namespace orbix {

// Shows one box on the user-interface thread and returns the answer. Texts
// arrive converted to UTF-8; the caption is already resolved.
using NoticePresenter =
    std::function<NoticeAnswer(const Notice& notice, const QString& text, const QString& caption)>;

// The real message boxes. Any thread may call Show: on the user-interface
// thread the box is shown at once; a worker asks that thread through a
// queued call and waits for the answer. Each text also goes to standard
// error in UTF-8. Create it on the user-interface thread; destroy it only
// after the workers that use it have been joined.
class CQtNotices final : public QObject, public INotices {
  public:
    // appName is the caption for notices without one (empty: the
    // executable's name); an empty presenter shows a QMessageBox.
    explicit CQtNotices(QString appName = {}, NoticePresenter presenter = {},
                        QObject* parent = nullptr);
    ~CQtNotices() override;

    NoticeAnswer Show(const Notice& notice) override;

    // From now on workers waiting for a box get their default answer (Ok or
    // No) at once, and workers' new boxes only go to standard error, so the
    // shutdown never waits for a worker that waits for a box. Boxes asked for
    // on the user-interface thread itself are still shown.
    void BeginShutdown();

    // Workers waiting for an answer right now.
    int Waiting() const;

    static NoticeAnswer DefaultAnswer(const Notice& notice);
    static NoticeAnswer ShowMessageBox(const Notice& notice, const QString& text,
                                       const QString& caption);

  private:
    struct Shared;
    NoticeAnswer Present(const Notice& notice);
    NoticeAnswer AskFromWorker(const Notice& notice);

    QString m_appName;
    NoticePresenter m_presenter;
    std::shared_ptr<Shared> m_shared;
};

}  // namespace orbix
