#pragma once

#include <QByteArray>
#include <QString>

namespace db {

// The bytes of the Jet 4.0 file open on `fd`, read at once from its start and checked before
// libmdb parses them: a regular file, the Jet 4.0 header, a whole number of 4,096-byte pages and
// at least three of them. The descriptor stays open. Throws DatabaseError naming `shownPath` for
// an unreadable, truncated or foreign file.
QByteArray readJetImage(int fd, const QString& shownPath);
// The same for the file at `path`, also when it is missing.
QByteArray readJetImage(const QString& path, const QString& shownPath);

} // namespace db
