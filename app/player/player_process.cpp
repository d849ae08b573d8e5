#include "app/player/player_process.h"

#include <grp.h>
#include <pwd.h>
#include <sys/io.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QProcessEnvironment>
#include <cstdlib>
#include <filesystem>

namespace orbix {

namespace {

std::optional<player::UserInfo> FromPasswd(const passwd* pw) {
    if (pw == nullptr) return std::nullopt;
    return player::UserInfo{pw->pw_uid, pw->pw_gid, pw->pw_name, pw->pw_dir};
}

bool OwnHome(const player::UserInfo& user) {
    struct stat st {};
    return !user.home.empty() && ::stat(user.home.c_str(), &st) == 0 && S_ISDIR(st.st_mode) &&
           st.st_uid == user.uid;
}

QProcessEnvironment EnvironmentFor(const player::UserInfo& user, const std::string& home) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    // Root's own session folders are no place for another user's files.
    for (const char* name : {"XDG_RUNTIME_DIR", "XDG_CONFIG_HOME", "XDG_CACHE_HOME",
                             "XDG_DATA_HOME", "DBUS_SESSION_BUS_ADDRESS", "MAIL"})
        env.remove(QString::fromLatin1(name));
    env.insert("HOME", QString::fromStdString(home));
    env.insert("USER", QString::fromStdString(user.name));
    env.insert("LOGNAME", QString::fromStdString(user.name));
    return env;
}

}  // namespace

std::string MakePlayerHome(const std::string& parent, const player::UserInfo& user) {
    std::string dir = parent + "/orbixrx-player-XXXXXX";
    // A fresh name, made 0700 in one step: no other local user can have made
    // it first or get in between.
    if (::mkdtemp(dir.data()) == nullptr) return {};
    if (::chown(dir.c_str(), user.uid, user.gid) != 0) {
        ::rmdir(dir.c_str());
        return {};
    }
    return dir;
}

CPlayerProcess::CPlayerProcess() {
    m_timer.setSingleShot(true);
    QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this] { OnTimer(); });
}

CPlayerProcess::~CPlayerProcess() { EndNow(3000); }

void CPlayerProcess::RemoveHome() {
    if (m_home.empty()) return;
    std::error_code ignored;
    // remove_all removes links, never what they point to.
    std::filesystem::remove_all(m_home, ignored);
    m_home.clear();
}

void CPlayerProcess::Forget() {
    m_process.reset();
    RemoveHome();
    m_phase = Phase::None;
    m_killed = false;
}

bool CPlayerProcess::Running() const {
    return m_process && m_process->state() != QProcess::NotRunning;
}

void CPlayerProcess::Start(const std::string& program, const std::vector<std::string>& arguments,
                           const player::RunAs& runAs, int startupGraceMs, StartDone done) {
    auto process = std::make_unique<QProcess>();
    QStringList args;
    for (const std::string& a : arguments) args << QString::fromStdString(a);
    process->setProgram(QString::fromStdString(program));
    process->setArguments(args);
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());
    std::vector<gid_t> groups;
    uid_t uid = 0;
    gid_t gid = 0;
    const bool switchUser = runAs.switchUser;
    if (switchUser) {
        if (!OwnHome(runAs.user))
            m_home = MakePlayerHome(QDir::tempPath().toStdString(), runAs.user);
        process->setProcessEnvironment(
            EnvironmentFor(runAs.user, m_home.empty() ? runAs.user.home : m_home));
        // Worked out here: only async-signal-safe calls may run in the child.
        const std::vector<unsigned> known = GroupsOf(runAs.user);
        groups.assign(known.begin(), known.end());
        uid = runAs.user.uid;
        gid = runAs.user.gid;
    }
    process->setChildProcessModifier([groups, uid, gid, switchUser] {
        // The card's ports were enabled for this process, and a forked child
        // keeps that; the player has no business with them.
        (void)::ioperm(0, 65536, 0);
        (void)::iopl(0);
        if (switchUser && (::setgroups(groups.size(), groups.data()) != 0 || ::setgid(gid) != 0 ||
                           ::setuid(uid) != 0 || ::setuid(0) == 0))
            ::_exit(127);
    });
    m_process = std::move(process);
    m_phase = Phase::Starting;
    m_startDone = std::move(done);
    // The player's end is taken up on the timer's next turn, never inside
    // start() or a signal of the process being deleted.
    QObject::connect(m_process.get(), &QProcess::finished, &m_timer, [this] { m_timer.start(0); });
    QObject::connect(m_process.get(), &QProcess::errorOccurred, &m_timer,
                     [this](QProcess::ProcessError error) {
                         if (error == QProcess::FailedToStart) m_timer.start(0);
                     });
    m_timer.start(startupGraceMs);
    m_process->start();
}

void CPlayerProcess::OnTimer() {
    if (m_phase == Phase::Starting) return FinishStart();
    if (m_phase == Phase::Stopping) return FinishStop();
}

// Each finish puts the object in its next state before the callback runs, as
// the callback may start or stop again, or show a box with an event loop.
void CPlayerProcess::FinishStart() {
    StartDone done = std::exchange(m_startDone, {});
    if (Running()) {
        m_phase = Phase::Started;
        if (done) done(StartResult::Started);
        return;
    }
    const bool couldNotStart = m_process->error() == QProcess::FailedToStart;
    Forget();
    if (done) done(couldNotStart ? StartResult::CouldNotStart : StartResult::ExitedAtOnce);
}

void CPlayerProcess::Stop(int graceMs, StopDone done) {
    m_stopDone = std::move(done);
    if (m_phase == Phase::Stopping) return;
    m_startDone = {};
    m_phase = Phase::Stopping;
    m_stopGraceMs = graceMs;
    m_killed = false;
    if (!Running()) return m_timer.start(0);
    m_process->terminate();
    m_timer.start(graceMs);
}

void CPlayerProcess::FinishStop() {
    if (Running() && !m_killed) {
        m_killed = true;
        m_process->kill();
        return m_timer.start(m_stopGraceMs);
    }
    StopDone done = std::exchange(m_stopDone, {});
    const bool ended = !Running();
    if (ended) {
        Forget();
    } else {
        // Kept, so that a later stop tries again.
        m_phase = Phase::Started;
        m_killed = false;
    }
    if (done) done(ended);
}

void CPlayerProcess::EndNow(int graceMs) {
    m_timer.stop();
    m_startDone = {};
    m_stopDone = {};
    if (m_process) QObject::disconnect(m_process.get(), nullptr, &m_timer, nullptr);
    if (Running() && !m_killed) {
        m_process->terminate();
        m_process->waitForFinished(graceMs);
    }
    if (Running()) {
        m_process->kill();
        m_process->waitForFinished(graceMs);
    }
    Forget();
}

std::vector<unsigned> GroupsOf(const player::UserInfo& user) {
    if (user.name.empty()) return {user.gid};
    std::vector<gid_t> groups(64);
    int count = static_cast<int>(groups.size());
    if (::getgrouplist(user.name.c_str(), user.gid, groups.data(), &count) < 0) {
        groups.resize(static_cast<std::size_t>(count));
        if (::getgrouplist(user.name.c_str(), user.gid, groups.data(), &count) < 0)
            return {user.gid};
    }
    return {groups.begin(), groups.begin() + count};
}

player::RunAs CurrentRunAs() {
    return player::ChooseRunAs({
        ::geteuid(),
        [](const char* name) -> std::optional<std::string> {
            const char* v = std::getenv(name);
            return v ? std::optional<std::string>(v) : std::nullopt;
        },
        [](unsigned uid) { return FromPasswd(::getpwuid(uid)); },
        [](const std::string& name) { return FromPasswd(::getpwnam(name.c_str())); },
    });
}

std::string LocatePlayer() {
    const char* override = std::getenv("ORBIXRX_PLAYER");
    const char* path = std::getenv("PATH");
    const std::string exeDir = QCoreApplication::instance()
                                   ? QCoreApplication::applicationDirPath().toStdString()
                                   : std::string();
    return player::FindPlayer({override ? override : "", exeDir, path ? path : "",
                               [](const std::string& file) {
                                   struct stat st {};
                                   return ::stat(file.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
                                          ::access(file.c_str(), X_OK) == 0;
                               }})
        .value_or("");
}

}  // namespace orbix
