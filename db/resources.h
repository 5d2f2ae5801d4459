#pragma once

#include <QString>
#include <QStringView>

#include <cstddef>
#include <optional>
#include <span>
#include <stdexcept>

namespace db {

// Data carried inside the executable (the embedded database), looked up by type and name with
// letter case ignored, the way the program finds its "mdb"/"ResBuild" block.
// The bytes are not copied: they must stay valid for as long as the program runs (static data).
// Registering a type and name that is already known replaces the earlier bytes.
void registerResource(QStringView type, QStringView name, std::span<const std::byte> bytes);
std::optional<std::span<const std::byte>> findResource(QStringView type, QStringView name);

// The three ways ExtractResourceToFile can fail; what() is UTF-8 and names the resource or path.
class ResourceNotFoundError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
// Nothing was written: the file could not be created, or a file already there was left as it was
// (read-only, owned by another user, not a regular file, a symbolic link, or in use elsewhere).
class FileCreateError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
// The file was opened and cut to length 0, but not all bytes could be written (file-size limit,
// full disk, I/O error); the partial file has been removed again.
class FileWriteError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Writes the resource to `path`, replacing any file there, as a file of mode 0600 that only this
// user can read, whatever the umask. While writing it holds the file exclusively, so an instance
// that has the file open (see FileHold) makes this fail with FileCreateError instead of losing
// its database. The written file then stays open with its lock (keepWrittenFile), for the
// connection to read that very file; deleteWorkingCopy or the next write to `path` lets it go.
void ExtractResourceToFile(const QString& name, const QString& type, const QString& path);

} // namespace db
