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

namespace orbix {

namespace {

std::optional<player::UserInfo> FromPasswd(const passwd* pw) {
    if (pw == nullptr) return std::nullopt;
    return player::UserInfo{pw->pw_uid, pw->pw_gid, pw->pw_name, pw->pw_dir};
}

// A home the player's user can write its settings to: its own when it has
// one, else a private folder made for it.
QString HomeFor(const player::UserInfo& user) {
    struct stat st {};
    if (!user.home.empty() && ::stat(user.home.c_str(), &st) == 0 && S_ISDIR(st.st_mode) &&
        st.st_uid == user.uid)
        return QString::fromStdString(user.home);
    const std::string dir =
        QDir::tempPath().toStdString() + "/orbixrx-player-" + std::to_string(user.uid);
    ::mkdir(dir.c_str(), 0700);
    if (::lstat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid != user.uid &&
        st.st_uid == 0)
        (void)::chown(dir.c_str(), user.uid, user.gid);
    return QString::fromStdString(dir);
}

QProcessEnvironment EnvironmentFor(const player::UserInfo& user) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    // Root's own session folders are no place for another user's files.
    for (const char* name : {"XDG_RUNTIME_DIR", "XDG_CONFIG_HOME", "XDG_CACHE_HOME",
                             "XDG_DATA_HOME", "DBUS_SESSION_BUS_ADDRESS", "MAIL"})
        env.remove(QString::fromLatin1(name));
    env.insert("HOME", HomeFor(user));
    env.insert("USER", QString::fromStdString(user.name));
    env.insert("LOGNAME", QString::fromStdString(user.name));
    return env;
}

}  // namespace

CPlayerProcess::~CPlayerProcess() { Stop(); }

bool CPlayerProcess::Running() const {
    return m_process && m_process->state() != QProcess::NotRunning;
}

CPlayerProcess::StartResult CPlayerProcess::Start(const std::string& program,
                                                  const std::vector<std::string>& arguments,
                                                  const player::RunAs& runAs, int startupGraceMs) {
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
        process->setProcessEnvironment(EnvironmentFor(runAs.user));
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
    process->start();
    if (!process->waitForStarted()) return StartResult::CouldNotStart;
    if (process->waitForFinished(startupGraceMs)) return StartResult::ExitedAtOnce;
    m_process = std::move(process);
    return StartResult::Started;
}

bool CPlayerProcess::Stop(int graceMs) {
    if (!m_process) return true;
    if (m_process->state() != QProcess::NotRunning) {
        m_process->terminate();
        if (!m_process->waitForFinished(graceMs)) {
            m_process->kill();
            if (!m_process->waitForFinished(graceMs)) return false;
        }
    }
    m_process.reset();
    return true;
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
