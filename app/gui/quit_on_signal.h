#pragma once

#include <QObject>
#include <functional>

class QSocketNotifier;

namespace orbix {

// Turns SIGTERM, SIGINT and SIGHUP (a logout, Ctrl+C in the terminal that
// started the program, kill) into a call on the user-interface thread, so the
// program ends through its ordered shutdown: the player stopped, the card's
// PID filter cleared, the workers joined. One per process.
class CQuitOnSignal final : public QObject {
  public:
    explicit CQuitOnSignal(std::function<void()> quit, QObject* parent = nullptr);
    ~CQuitOnSignal() override;
    CQuitOnSignal(const CQuitOnSignal&) = delete;
    CQuitOnSignal& operator=(const CQuitOnSignal&) = delete;

  private:
    void Drain();

    std::function<void()> m_quit;
    int m_fds[2] = {-1, -1};
    QSocketNotifier* m_notifier = nullptr;
};

}  // namespace orbix
