#include "db/file_lock.h"

#include "db/posix_file.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <utility>

using namespace Qt::Literals::StringLiterals;

namespace db {

namespace {

[[noreturn]] void failHold(const QString& path, const QString& reason) {
    throw FileHoldError((u"Cannot open \""_s + path + u"\": "_s + reason).toStdString());
}

} // namespace

FileHold holdFileShared(const QString& path) {
    const std::optional<QByteArray> native = posix::nativePath(path);
    if (!native)
        failHold(path, u"the path contains a NUL character"_s);
    posix::UniqueFd file = posix::openNoFollow(*native, O_RDONLY);
    if (!file.valid())
        failHold(path, posix::describeOpenFailure(errno));
    struct stat info {};
    if (::fstat(file.get(), &info) != 0)
        failHold(path, qt_error_string(errno));
    if (!S_ISREG(info.st_mode))
        failHold(path, u"it is not a regular file"_s);
    if (!posix::tryLock(file.get(), LOCK_SH))
        failHold(path, posix::describeLockFailure(errno));
    // A copy deleted or replaced between our open and our lock is not the file the caller named.
    if (!posix::pathNamesFile(*native, file.get()))
        failHold(path, u"it was replaced while being opened"_s);
    return FileHold(std::move(file));
}

} // namespace db
