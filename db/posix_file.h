#pragma once

// Small POSIX helpers shared by the working-copy files: a descriptor that closes itself, opening
// without following symbolic links, advisory locks and the checks that tell whether a file at a
// path we write to is really ours.

#include <QByteArray>
#include <QString>

#include <optional>
#include <sys/stat.h>

namespace db::posix {

class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : fd_(fd) {}
    UniqueFd(UniqueFd&& other) noexcept : fd_(other.take()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept;
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    ~UniqueFd() { reset(); }

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    int take();
    void reset();

private:
    int fd_ = -1;
};

// The path as the file system spells it; nullopt when it holds a NUL character, which would
// silently cut the path short.
std::optional<QByteArray> nativePath(const QString& path);

// open(2) with O_NOFOLLOW, O_CLOEXEC and O_NONBLOCK (a planted FIFO must not block us) added.
// On failure the result is invalid and errno tells why.
UniqueFd openNoFollow(const QByteArray& path, int flags, mode_t mode = 0);

// The same relative to the directory open on `directory` (an absolute `path` ignores it).
UniqueFd openAtNoFollow(int directory, const QByteArray& path, int flags, mode_t mode = 0);

// A path split at its last "/": the directory part ("/" for "/x", "." for "x") and the name.
struct PathParts {
    QByteArray directory;
    QByteArray name;
};
PathParts splitPath(const QByteArray& path);

// The directory that `path` lies in, opened for resolving names relative to it (following
// symbolic links on the way there, as opening the path itself would). Invalid on failure.
UniqueFd openParentDirectory(const QByteArray& path);

// flock(2) without waiting; false when another open file holds a conflicting lock (or on error).
bool tryLock(int fd, int operation);

// Whether `path` still names the file open on `fd`: another instance may have deleted or
// replaced it between our open and our lock.
bool pathNamesFile(const QByteArray& path, int fd);
// The same for `name` in the directory open on `directory`.
bool nameNamesFile(int directory, const QByteArray& name, int fd);

// Why a file we are about to replace or delete is not ours to touch, or an empty text when it
// is: it must be a regular file with a single name, owned by this user and writable by its owner.
QString reasonNotOurs(const struct stat& info);

// Texts for errno after a failed openNoFollow() or tryLock(): they name a symbolic link and a
// file in use as such, and otherwise give the system's own text.
QString describeOpenFailure(int error);
QString describeLockFailure(int error);

} // namespace db::posix
