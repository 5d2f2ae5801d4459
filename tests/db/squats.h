#pragma once

// What another user plants in a shared sticky directory before the user starts, for the tests
// with two users (the attacker and the user `nobody`), run as root.

#include "file_fixtures.h"

#include <QDir>
#include <QString>

#include <cstring>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace fixtures {

// What another user plants in a shared sticky directory before the user starts, and under
// which name: the working copy's, or that of the user's own directory there.
enum class Squat { None, File, Directory, Fifo, Socket, Symlink };
enum class SquatName { Copy, OwnDirectory };

inline QString ownDirectoryName() {
    return QStringLiteral("vorlantix-") + QString::number(kNobody);
}

// Run as the attacker: puts a thing of kind `squat` at `path`.
inline bool plant(Squat squat, const QString& path) {
    const QByteArray name = native(path);
    switch (squat) {
    case Squat::None:
        return true;
    case Squat::File:
        return writeFile(path, "the attacker's", 0666);
    case Squat::Directory:
        return ::mkdir(name.constData(), 0777) == 0 && ::chmod(name.constData(), 0777) == 0;
    case Squat::Fifo:
        return ::mkfifo(name.constData(), 0666) == 0;
    case Squat::Socket: {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        if (static_cast<size_t>(name.size()) >= sizeof address.sun_path)
            return false;
        std::memcpy(address.sun_path, name.constData(), static_cast<size_t>(name.size()));
        const int socket = ::socket(AF_UNIX, SOCK_STREAM, 0);
        const bool bound =
            ::bind(socket, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
        ::close(socket);
        return bound;
    }
    case Squat::Symlink:
        return ::symlink("/tmp", name.constData()) == 0;
    }
    return false;
}

// A directory of root's, open to all and sticky like /tmp, inside the test's own directory.
inline QString makeSharedDirectory(const QString& testDirectory) {
    QString shared = testDirectory + QStringLiteral("/shared");
    if (::chmod(native(testDirectory).constData(), 0755) != 0 || !QDir().mkdir(shared) ||
        ::chmod(native(shared).constData(), 01777) != 0)
        return {};
    return shared;
}

} // namespace fixtures
