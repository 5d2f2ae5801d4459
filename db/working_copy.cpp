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

void deleteWorkingCopy(const QString& tempDirectory) {
    const QString copy = workingCopyPath(tempDirectory);
    // Our own hold would make the file look in use by another instance.
    releaseWrittenFile(copy);
    const std::optional<QByteArray> path = posix::nativePath(copy);
    if (!path)
        return;
    // Opened for writing: a file we could not write to is not ours to delete either, and some
    // network file systems grant an exclusive lock only on a descriptor open for writing.
    const posix::UniqueFd file = posix::openNoFollow(*path, O_RDWR);
    if (!file.valid())
        return;
    struct stat info {};
    if (::fstat(file.get(), &info) != 0 || !posix::reasonNotOurs(info).isEmpty())
        return;
    // The exclusive lock proves no instance has the copy open, and the identity check that the
    // name still leads to the file we locked, not to a copy another instance has just written.
    if (!posix::tryLock(file.get(), LOCK_EX) || !posix::pathNamesFile(*path, file.get()))
        return;
    ::unlink(path->constData());
}

} // namespace db
