#include "db/temp_directory.h"

#include <QByteArray>
#include <QFile>

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

bool acceptable(const struct stat& info, Sharing sharing) {
    const bool writableByOthers = (info.st_mode & (S_IWGRP | S_IWOTH)) != 0;
    if (sharing == Sharing::PrivateOnly)
        return info.st_uid == ::geteuid() && !writableByOthers;
    const bool trustedOwner = info.st_uid == ::geteuid() || info.st_uid == 0;
    return trustedOwner && (!writableByOthers || (info.st_mode & S_ISVTX) != 0);
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

} // namespace

QString GetTempDirectory() {
    if (auto runtime = directoryFrom("XDG_RUNTIME_DIR", Sharing::PrivateOnly))
        return *runtime;
    if (auto temporary = directoryFrom("TMPDIR", Sharing::PrivateOrSticky))
        return *temporary;
    return u"/tmp/"_s;
}

} // namespace db
