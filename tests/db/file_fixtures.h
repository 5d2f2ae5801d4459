#pragma once

// Helpers for the working-copy tests: writing and inspecting scratch files, a probe standing in
// for another instance, and environment variables restored after each test.

#include <QByteArray>
#include <QCryptographicHash>
#include <QDirIterator>
#include <QFile>
#include <QString>
#include <QStringList>

#include <csignal>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <grp.h>
#include <optional>
#include <span>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace fixtures {

inline QByteArray native(const QString& path) {
    return QFile::encodeName(path);
}

inline std::span<const std::byte> bytesOf(const QByteArray& data) {
    return std::as_bytes(std::span(data.constData(), static_cast<size_t>(data.size())));
}

// Deterministic content with NUL and high bytes, starting like a Jet 4.0 file.
inline QByteArray databaseLike(qsizetype size) {
    QByteArray data = QByteArrayLiteral("\x00\x01\x00\x00Standard Jet DB\x00\x01");
    for (qsizetype i = data.size(); i < size; ++i)
        data.append(static_cast<char>((i * 131 + 7) % 256));
    data.truncate(size);
    return data;
}

inline bool writeFile(const QString& path, const QByteArray& content, mode_t mode = 0600) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
        return false;
    file.close();
    return ::chmod(native(path).constData(), mode) == 0;
}

inline QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline bool exists(const QString& path) {
    struct stat info {};
    return ::lstat(native(path).constData(), &info) == 0;
}

inline mode_t permissions(const QString& path) {
    struct stat info {};
    return ::lstat(native(path).constData(), &info) == 0 ? (info.st_mode & 07777) : 0;
}

// Every entry under `dir` with its kind, owner, mode and content or link target, so a test can
// check that an operation left everything exactly as it was.
inline QStringList snapshot(const QString& dir) {
    QStringList entries;
    QDirIterator it(dir, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        struct stat info {};
        ::lstat(native(path).constData(), &info);
        QString entry = path + u' ' + QString::number(info.st_uid) + u' ' +
                        QString::number(info.st_mode, 8) + u' ';
        if (S_ISLNK(info.st_mode))
            entry += QFile::symLinkTarget(path);
        else if (S_ISREG(info.st_mode))
            entry += QString::fromLatin1(
                QCryptographicHash::hash(readFile(path), QCryptographicHash::Sha256).toHex());
        entries.append(entry);
    }
    entries.sort();
    return entries;
}

// What another instance would find: can it take the file exclusively right now?
inline bool canLockExclusively(const QString& path) {
    const int fd = ::open(native(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool locked = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
    ::close(fd);
    return locked;
}

// Sets environment variables for one test and puts the earlier values back afterwards.
class EnvironmentGuard {
public:
    EnvironmentGuard() = default;
    EnvironmentGuard(const EnvironmentGuard&) = delete;
    EnvironmentGuard& operator=(const EnvironmentGuard&) = delete;
    ~EnvironmentGuard() {
        for (auto it = saved_.rbegin(); it != saved_.rend(); ++it)
            apply(it->first, it->second);
    }

    // std::nullopt unsets the variable.
    void set(const char* name, const std::optional<QByteArray>& value) {
        saved_.emplace_back(name, qEnvironmentVariableIsSet(name)
                                      ? std::optional<QByteArray>(qgetenv(name))
                                      : std::nullopt);
        apply(name, value);
    }

private:
    static void apply(const char* name, const std::optional<QByteArray>& value) {
        if (value)
            qputenv(name, *value);
        else
            qunsetenv(name);
    }

    std::vector<std::pair<const char*, std::optional<QByteArray>>> saved_;
};

// Sets the process's umask for one test and puts the earlier one back afterwards.
class UmaskGuard {
public:
    explicit UmaskGuard(mode_t mask) : saved_(::umask(mask)) {}
    UmaskGuard(const UmaskGuard&) = delete;
    UmaskGuard& operator=(const UmaskGuard&) = delete;
    ~UmaskGuard() { ::umask(saved_); }

private:
    mode_t saved_;
};

// The user a test drops to when it needs a second, unprivileged user (only root can).
inline constexpr uid_t kNobody = 65534;

// How a child process ended, and what it wrote to its report pipe.
struct ChildOutcome {
    int status = 0;
    QByteArray report;

    // The exit code a child uses when the test cannot be run here (no privilege for a mount).
    static constexpr int kCannotRun = 77;

    bool succeeded() const { return WIFEXITED(status) && WEXITSTATUS(status) == 0; }
    bool couldNotRun() const { return WIFEXITED(status) && WEXITSTATUS(status) == kCannotRun; }
    QByteArray describe() const {
        if (WIFSIGNALED(status))
            return "killed by signal " + QByteArray(::strsignal(WTERMSIG(status))) + "; " + report;
        return "exit code " + QByteArray::number(WEXITSTATUS(status)) + "; " + report;
    }
};

// Runs `body(reportFd)` in a forked child, which ends with the body's return value (2 when it
// throws); what it writes to reportFd comes back in the outcome. The child never returns into
// the test framework, so a fault in it shows up as its exit status, not as a crashed test.
template <typename Body>
ChildOutcome runInChild(Body body) {
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0)
        return {-1, "pipe failed"};
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(pipeFds[0]);
        int code = 2;
        try {
            code = body(pipeFds[1]);
        } catch (...) {
        }
        ::_exit(code);
    }
    ::close(pipeFds[1]);
    ChildOutcome outcome;
    char buffer[4096];
    ssize_t got;
    while ((got = ::read(pipeFds[0], buffer, sizeof buffer)) > 0)
        outcome.report.append(buffer, got);
    ::close(pipeFds[0]);
    ::waitpid(pid, &outcome.status, 0);
    return outcome;
}

inline void report(int fd, const QByteArray& text) {
    if (::write(fd, text.constData(), static_cast<size_t>(text.size())) < 0)
        return;
}

// A second unprivileged user, the attacker of the tests that need two (no account needed).
inline constexpr uid_t kAttacker = 4242;

// In a child run as root: become `user` (with a group of the same number) for good.
inline bool dropTo(uid_t user) {
    return ::setgroups(0, nullptr) == 0 && ::setgid(user) == 0 && ::setuid(user) == 0;
}

// In a child run as root: become `nobody` for good.
inline bool dropToNobody() {
    return dropTo(kNobody);
}

} // namespace fixtures
