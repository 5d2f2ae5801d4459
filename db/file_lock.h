#pragma once

#include "db/posix_file.h"

#include <QString>

#include <stdexcept>
#include <utility>

namespace db {

// The file could not be held: missing, not a regular file, a symbolic link, or being replaced
// by another instance at this moment. what() is UTF-8 and names the path.
class FileHoldError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// An open file with an advisory lock on it, kept for the object's lifetime. An open database
// connection keeps one on its file: while any instance holds it, ExtractResourceToFile refuses
// to replace the file and deleteWorkingCopy leaves it alone.
class FileHold {
public:
    FileHold() = default;

    bool held() const { return file_.valid(); }
    // The held file's descriptor: reading through it reads this very file, whatever happens to
    // the path meanwhile. -1 when nothing is held.
    int fd() const { return file_.get(); }
    // Closing the last descriptor of the open file also drops its lock.
    void release() { file_.reset(); }

private:
    explicit FileHold(posix::UniqueFd file) : file_(std::move(file)) {}
    friend FileHold holdFileShared(const QString& path);
    friend FileHold holdForReading(const QString& path);

    posix::UniqueFd file_;
};

// Opens `path` read-only without following a symbolic link and takes a shared lock, without
// waiting: a file that is being written right now (exclusively locked) raises FileHoldError.
// Any number of readers may share the file.
FileHold holdFileShared(const QString& path);

// The files this process has written (ExtractResourceToFile) stay open, with the writer's
// exclusive lock, under the exact path text they were written to, together with the directory
// they were written in (open on `directory`, the file's name there `name`). Reading one through
// its descriptor reads the very file that was written, even when another file has been renamed
// over its name since. Keeping a file for a path closes the one kept for it before.
void keepWrittenFile(const QString& path, posix::UniqueFd directory, QByteArray name,
                     posix::UniqueFd file);
// Closes the file kept for `path`, which drops its lock unless a FileHold still shares it.
void releaseWrittenFile(const QString& path);

// Where the file kept for `path` was written: the directory it was written in, whatever its
// name is now, and the file's name there. Closes the kept file as releaseWrittenFile() does;
// the directory is invalid when no file is kept for `path`.
struct WrittenPlace {
    posix::UniqueFd directory;
    QByteArray name;
};
WrittenPlace releaseWrittenFileKeepingPlace(const QString& path);

// A hold on the database file at `path` for the engine to read. When this process keeps the file
// it wrote to `path`, the hold is a new descriptor of that file, sharing its lock, whatever file
// the name leads to now; FileHoldError when the name leads nowhere (the copy was deleted).
// Any other path is held with holdFileShared().
FileHold holdForReading(const QString& path);

} // namespace db
