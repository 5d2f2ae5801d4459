#include "db/posix_file.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace db::posix {

UniqueFd& UniqueFd::operator=(UniqueFd&& other) noexcept {
    if (this != &other) {
        reset();
        fd_ = other.take();
    }
    return *this;
}

int UniqueFd::take() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
}

void UniqueFd::reset() {
    if (fd_ >= 0) {
        // The descriptor is gone after close() even when it reports EINTR; never retry.
        ::close(fd_);
        fd_ = -1;
    }
}

std::optional<QByteArray> nativePath(const QString& path) {
    if (path.contains(QChar(u'\0')))
        return std::nullopt;
    return QFile::encodeName(path);
}

UniqueFd openNoFollow(const QByteArray& path, int flags, mode_t mode) {
    return openAtNoFollow(AT_FDCWD, path, flags, mode);
}

UniqueFd openAtNoFollow(int directory, const QByteArray& path, int flags, mode_t mode) {
    int fd;
    do {
        fd = ::openat(directory, path.constData(), flags | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK,
                      mode);
    } while (fd < 0 && errno == EINTR);
    return UniqueFd(fd);
}

PathParts splitPath(const QByteArray& path) {
    const qsizetype slash = path.lastIndexOf('/');
    if (slash < 0)
        return {".", path};
    return {slash == 0 ? QByteArray("/") : path.left(slash), path.mid(slash + 1)};
}

UniqueFd openParentDirectory(const QByteArray& path) {
    int fd;
    do {
        fd = ::open(splitPath(path).directory.constData(),
                    O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NONBLOCK);
    } while (fd < 0 && errno == EINTR);
    return UniqueFd(fd);
}

bool tryLock(int fd, int operation) {
    int result;
    do {
        result = ::flock(fd, operation | LOCK_NB);
    } while (result != 0 && errno == EINTR);
    return result == 0;
}

bool pathNamesFile(const QByteArray& path, int fd) {
    return nameNamesFile(AT_FDCWD, path, fd);
}

bool nameNamesFile(int directory, const QByteArray& name, int fd) {
    struct stat atName {};
    struct stat open {};
    if (::fstatat(directory, name.constData(), &atName, AT_SYMLINK_NOFOLLOW) != 0 ||
        ::fstat(fd, &open) != 0)
        return false;
    return atName.st_dev == open.st_dev && atName.st_ino == open.st_ino;
}

QString reasonNotOurs(const struct stat& info) {
    if (!S_ISREG(info.st_mode))
        return u"it is not a regular file"_s;
    if (info.st_uid != ::geteuid())
        return u"it belongs to another user"_s;
    // Checked on the mode bits, not by access(2): root may write anywhere, but a file its owner
    // marked read-only is still meant to stay as it is.
    if ((info.st_mode & S_IWUSR) == 0)
        return u"it is read-only"_s;
    if (info.st_nlink != 1)
        return u"it has other names (hard links)"_s;
    return {};
}

QString describeOpenFailure(int error) {
    // O_NOFOLLOW reports a symbolic link in the last component as ELOOP.
    if (error == ELOOP)
        return u"the path is a symbolic link"_s;
    return qt_error_string(error);
}

QString describeLockFailure(int error) {
    if (error == EWOULDBLOCK)
        return u"it is in use by another program"_s;
    return qt_error_string(error);
}

} // namespace db::posix
