#pragma once

#include <QByteArray>
#include <QString>

#include <memory>

namespace db {

// The checked bytes of a Jet 4.0 file. A file only its owner (this user) may change is mapped
// rather than copied: `bytes` then lies over the mapping, which `owner` keeps; whoever keeps
// `bytes`, or a copy of it that shares its data, keeps `owner` too. Other files are read into
// `bytes` itself, since another user could cut them short under a mapping.
struct JetImage {
    QByteArray bytes;
    std::shared_ptr<const void> owner;
};

// The bytes of the Jet 4.0 file open on `fd`, mapped or read at once, and checked before
// libmdb parses them: a regular file, the Jet 4.0 header, a whole number of 4,096-byte pages and
// at least three of them. The descriptor stays open. Throws DatabaseError naming `shownPath` for
// an unreadable, truncated or foreign file.
JetImage readJetImage(int fd, const QString& shownPath);
// The same for the file at `path`, also when it is missing.
JetImage readJetImage(const QString& path, const QString& shownPath);

} // namespace db
