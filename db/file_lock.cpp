#include "db/file_lock.h"

#include "db/posix_file.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

using namespace Qt::Literals::StringLiterals;

namespace db {

namespace {

[[noreturn]] void failHold(const QString& path, const QString& reason) {
    throw FileHoldError((u"Cannot open \""_s + path + u"\": "_s + reason).toStdString());
}

struct WrittenFile {
    posix::UniqueFd directory;
    QByteArray name;
    posix::UniqueFd file;
};

struct WrittenFiles {
    std::mutex mutex;
    std::map<QString, WrittenFile> byPath;
};

WrittenFiles& writtenFiles() {
    static WrittenFiles instance;
    return instance;
}

// A new descriptor of the file kept for `path`, or an invalid one when none is kept.
posix::UniqueFd duplicateWrittenFile(const QString& path) {
    WrittenFiles& files = writtenFiles();
    const std::lock_guard lock(files.mutex);
    const auto kept = files.byPath.find(path);
    if (kept == files.byPath.end())
        return {};
    posix::UniqueFd copy(::fcntl(kept->second.file.get(), F_DUPFD_CLOEXEC, 0));
    if (!copy.valid())
        failHold(path, qt_error_string(errno));
    return copy;
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

void keepWrittenFile(const QString& path, posix::UniqueFd directory, QByteArray name,
                     posix::UniqueFd file) {
    WrittenFiles& files = writtenFiles();
    const std::lock_guard lock(files.mutex);
    files.byPath.insert_or_assign(
        path, WrittenFile{std::move(directory), std::move(name), std::move(file)});
}

WrittenPlace releaseWrittenFileKeepingPlace(const QString& path) {
    WrittenFiles& files = writtenFiles();
    const std::lock_guard lock(files.mutex);
    const auto kept = files.byPath.find(path);
    if (kept == files.byPath.end())
        return {};
    WrittenPlace place{std::move(kept->second.directory), std::move(kept->second.name)};
    files.byPath.erase(kept);
    return place;
}

void releaseWrittenFile(const QString& path) {
    WrittenFiles& files = writtenFiles();
    const std::lock_guard lock(files.mutex);
    files.byPath.erase(path);
}

FileHold holdForReading(const QString& path) {
    posix::UniqueFd written = duplicateWrittenFile(path);
    if (!written.valid())
        return holdFileShared(path);
    // A deleted copy is gone for the engine too, as it would be for any reader by name. A file
    // renamed over the name is not ours, so the written one is read instead.
    struct stat atPath {};
    if (::lstat(QFile::encodeName(path).constData(), &atPath) != 0 && errno == ENOENT)
        failHold(path, qt_error_string(ENOENT));
    return FileHold(std::move(written));
}

} // namespace db
