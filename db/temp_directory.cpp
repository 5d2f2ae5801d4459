#include "db/temp_directory.h"

#include "db/posix_file.h"

#include <QByteArray>
#include <QFile>

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace db {

namespace {

enum class Sharing {
    PrivateOnly,     // ours, and nobody else may write to it
    PrivateOrSticky, // ours or root's, and nobody else may write to it or it is sticky
};

bool writableByOthers(const struct stat& info) {
    return (info.st_mode & (S_IWGRP | S_IWOTH)) != 0;
}

bool acceptable(const struct stat& info, Sharing sharing) {
    if (sharing == Sharing::PrivateOnly)
        return info.st_uid == ::geteuid() && !writableByOthers(info);
    const bool trustedOwner = info.st_uid == ::geteuid() || info.st_uid == 0;
    return trustedOwner && (!writableByOthers(info) || (info.st_mode & S_ISVTX) != 0);
}

// The directory named by an environment variable, if it is usable: an absolute path to an
// existing directory that `sharing` accepts, whose name survives the round trip through QString
// (otherwise the working copy's path would name a different place).
std::optional<QString> directoryFrom(const char* variable, Sharing sharing) {
    const QByteArray value = qgetenv(variable);
    if (!value.startsWith('/'))
        return std::nullopt;
    struct stat info {};
    if (::stat(value.constData(), &info) != 0 || !S_ISDIR(info.st_mode) ||
        !acceptable(info, sharing))
        return std::nullopt;
    QString directory = QFile::decodeName(value);
    if (QFile::encodeName(directory) != value)
        return std::nullopt;
    if (!directory.endsWith(u'/'))
        directory += u'/';
    return directory;
}

// A directory this process made with mkdtemp(), kept open with the directory it lies in, so
// that the close step removes that very directory.
struct MadeDirectory {
    posix::UniqueFd parent;
    QByteArray name;
    posix::UniqueFd directory;

    bool stillThere() const { return posix::nameNamesFile(parent.get(), name, directory.get()); }
};

struct MadeDirectories {
    std::mutex mutex;
    std::map<QString, MadeDirectory> byPath; // by the path GetTempDirectory() returned
};

MadeDirectories& madeDirectories() {
    static MadeDirectories instance;
    return instance;
}

QByteArray ownName() {
    return "vorlantix-" + QByteArray::number(::geteuid());
}

// The directory `name` in the one open on `parent`, when it is a directory (not a symbolic link)
// that belongs to this user and that nobody else may enter; invalid otherwise.
posix::UniqueFd openOwnDirectory(int parent, const QByteArray& name) {
    posix::UniqueFd directory = posix::openAtNoFollow(parent, name, O_RDONLY | O_DIRECTORY);
    struct stat info {};
    if (!directory.valid() || ::fstat(directory.get(), &info) != 0 || !S_ISDIR(info.st_mode) ||
        info.st_uid != ::geteuid())
        return {};
    // Ours, but opened up by hand: only we may use it.
    if ((info.st_mode & 077) != 0 && ::fchmod(directory.get(), S_IRWXU) != 0)
        return {};
    return directory;
}

// A fresh directory of our own in `shared`, made with mkdtemp() when another user holds our
// usual name there; the same one for every call of this run, until the close step removes it.
std::optional<QString> madeDirectoryIn(const QString& shared, posix::UniqueFd parent) {
    MadeDirectories& made = madeDirectories();
    const std::lock_guard lock(made.mutex);
    for (const auto& [path, directory] : made.byPath) {
        if (path.startsWith(shared) && directory.stillThere())
            return path;
    }
    QByteArray pattern = QFile::encodeName(shared) + ownName() + "-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr)
        return std::nullopt;
    QByteArray name = posix::splitPath(pattern).name;
    posix::UniqueFd directory = openOwnDirectory(parent.get(), name);
    if (!directory.valid())
        return std::nullopt;
    const QString path = QFile::decodeName(pattern) + u'/';
    made.byPath.insert_or_assign(
        path, MadeDirectory{std::move(parent), std::move(name), std::move(directory)});
    return path;
}

// Where the working copy goes in a directory that others may write to (sticky, like /tmp):
// another user could take the name "ResBuild.dll" there first, and the user could not remove
// it. So it goes into a directory of the user's own made there: "vorlantix-<uid>", or a fresh
// one when another user has taken that name. The shared directory itself when neither can be
// had: the start then fails there with its reason.
QString ownDirectoryIn(const QString& shared) {
    const std::optional<QByteArray> native = posix::nativePath(shared);
    if (!native)
        return shared;
    posix::UniqueFd parent(::open(native->constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!parent.valid())
        return shared;
    const QByteArray name = ownName();
    // An existing directory is fine: whose it is, is checked on what is opened.
    ::mkdirat(parent.get(), name.constData(), S_IRWXU);
    if (openOwnDirectory(parent.get(), name).valid())
        return shared + QString::fromLatin1(name) + u'/';
    return madeDirectoryIn(shared, std::move(parent)).value_or(shared);
}

// `directory` itself, or a directory of the user's own in it when others may write there.
QString forTheWorkingCopy(const QString& directory) {
    struct stat info {};
    if (::stat(QFile::encodeName(directory).constData(), &info) != 0 || !writableByOthers(info))
        return directory;
    return ownDirectoryIn(directory);
}

} // namespace

QString GetTempDirectory() {
    if (auto runtime = directoryFrom("XDG_RUNTIME_DIR", Sharing::PrivateOnly))
        return *runtime;
    if (auto temporary = directoryFrom("TMPDIR", Sharing::PrivateOrSticky))
        return forTheWorkingCopy(*temporary);
    return forTheWorkingCopy(u"/tmp/"_s);
}

void removeMadeDirectory(const QString& directory) {
    MadeDirectories& made = madeDirectories();
    const std::lock_guard lock(made.mutex);
    const auto found = made.byPath.find(directory);
    if (found == made.byPath.end())
        return;
    const MadeDirectory& entry = found->second;
    if (entry.stillThere())
        ::unlinkat(entry.parent.get(), entry.name.constData(), AT_REMOVEDIR);
    made.byPath.erase(found);
}

} // namespace db
