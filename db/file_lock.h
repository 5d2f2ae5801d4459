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

// A shared advisory lock on an open file, kept for the object's lifetime. An open database
// connection keeps one on its file: while any instance holds it, ExtractResourceToFile refuses
// to replace the file and deleteWorkingCopy leaves it alone; any number of readers may share it.
class FileHold {
public:
    FileHold() = default;

    bool held() const { return file_.valid(); }
    // The held file's descriptor; "/proc/self/fd/<fd>" opens this very file, whatever happens to
    // the path meanwhile. -1 when nothing is held.
    int fd() const { return file_.get(); }
    // Closing the only descriptor of the open file also drops its lock.
    void release() { file_.reset(); }

private:
    explicit FileHold(posix::UniqueFd file) : file_(std::move(file)) {}
    friend FileHold holdFileShared(const QString& path);

    posix::UniqueFd file_;
};

// Opens `path` read-only without following a symbolic link and takes the shared lock, without
// waiting: a file that is being written right now (exclusively locked) raises FileHoldError.
FileHold holdFileShared(const QString& path);

} // namespace db
