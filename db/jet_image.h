#pragma once

#include <QByteArray>
#include <QString>

namespace db {

// The bytes of the Jet 4.0 file at `path`, read at once and checked before libmdb parses them:
// a regular file, the Jet 4.0 header, a whole number of 4,096-byte pages and at least three
// of them. Throws DatabaseError naming `shownPath` for a missing, unreadable, truncated or
// foreign file.
QByteArray readJetImage(const QString& path, const QString& shownPath);

} // namespace db
