#include "app/gui/quit_on_signal.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <array>
#include <cerrno>
#include <csignal>

namespace orbix {
namespace {

constexpr std::array kSignals{SIGTERM, SIGINT, SIGHUP};

// The handler may only do async-signal-safe work: one byte into the pipe.
volatile std::sig_atomic_t s_writeFd = -1;

void OnSignal(int) {
    const int saved = errno;
    const char byte = 1;
    if (s_writeFd >= 0) (void)::write(s_writeFd, &byte, 1);
    errno = saved;
}

void Handle(void (*handler)(int)) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int sig : kSignals) ::sigaction(sig, &action, nullptr);
}

}  // namespace

CQuitOnSignal::CQuitOnSignal(std::function<void()> quit, QObject* parent)
    : QObject(parent), m_quit(std::move(quit)) {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, m_fds) != 0) return;
    s_writeFd = m_fds[0];
    m_notifier = new QSocketNotifier(m_fds[1], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &CQuitOnSignal::Drain);
    Handle(OnSignal);
}

CQuitOnSignal::~CQuitOnSignal() {
    Handle(SIG_DFL);
    s_writeFd = -1;
    for (int fd : m_fds)
        if (fd >= 0) ::close(fd);
}

void CQuitOnSignal::Drain() {
    char bytes[16];
    while (::read(m_fds[1], bytes, sizeof bytes) > 0) {
    }
    if (m_quit) m_quit();
}

}  // namespace orbix
