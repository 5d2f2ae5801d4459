#include "db/working_copy.h"

#include "db/connection_string.h"
#include "db/file_lock.h"
#include "db/posix_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace db {

namespace {

// Appended to a directory that already ends with "/", hence the double separator.
constexpr QLatin1StringView workingCopyName("/ResBuild.dll");

} // namespace

QString workingCopyPath(const QString& tempDirectory) {
    return tempDirectory + workingCopyName;
}

QString connectionStringFor(const QString& tempDirectory) {
    return u"Provider=Microsoft.Jet.OLEDB.4.0;Data Source="_s +
           connectionStringValue(workingCopyPath(tempDirectory)) +
           u";Persist Security Info=False"_s;
}

namespace {

// Where the copy at `copy` is deleted: the directory this process wrote it in, whatever that
// directory is called now, or else the directory the path leads to.
WrittenPlace placeToDelete(const QString& copy) {
    // Our own hold would make the file look in use by another instance.
    WrittenPlace place = releaseWrittenFileKeepingPlace(copy);
    if (place.directory.valid())
        return place;
    const std::optional<QByteArray> path = posix::nativePath(copy);
    if (!path)
        return {};
    return {posix::openParentDirectory(*path), posix::splitPath(*path).name};
}

void deleteCopy(const QString& copy) {
    const WrittenPlace place = placeToDelete(copy);
    if (!place.directory.valid())
        return;
    const int directory = place.directory.get();
    // Opened for writing: a file we could not write to is not ours to delete either, and some
    // network file systems grant an exclusive lock only on a descriptor open for writing.
    const posix::UniqueFd file = posix::openAtNoFollow(directory, place.name, O_RDWR);
    if (!file.valid())
        return;
    struct stat info {};
    if (::fstat(file.get(), &info) != 0 || !posix::reasonNotOurs(info).isEmpty())
        return;
    // The exclusive lock proves no instance has the copy open, and the identity check that the
    // name still leads to the file we locked, not to a copy another instance has just written.
    if (!posix::tryLock(file.get(), LOCK_EX) ||
        !posix::nameNamesFile(directory, place.name, file.get()))
        return;
    ::unlinkat(directory, place.name.constData(), 0);
}

} // namespace

void deleteWorkingCopy(const QString& tempDirectory) {
    deleteCopy(workingCopyPath(tempDirectory));
}

} // namespace db
