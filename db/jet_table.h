#pragma once

#include <QList>
#include <QString>
#include <QVariant>

namespace db {

// Column types as a Jet 4.0 table definition numbers them.
enum class JetType {
    Boolean = 1,
    Byte = 2,
    Integer = 3,
    LongInteger = 4,
    Money = 5,
    Float = 6,
    Double = 7,
    DateTime = 8,
    Binary = 9,
    Text = 10,
    Ole = 11,
    Memo = 12,
    ReplicationId = 15,
    Numeric = 16,
};

struct JetColumn {
    QString name;
    JetType type;
};

// A whole table as read from the file, rows in storage order. A cell is a null QVariant for
// NULL; integers (Byte, Integer, LongInteger) are qint64, Boolean is bool, Float and Double are
// double, Ole is QByteArray, everything else is the QString that libmdb renders.
struct JetTable {
    QString name;
    QList<JetColumn> columns;
    QList<QVariantList> rows;
};

// Reads table `tableName` (case ignored) of the Jet 4.0 file at `path`. Throws DatabaseError
// for a missing, unreadable, truncated or foreign file and for an unknown table.
JetTable readJetTable(const QString& path, const QString& tableName);

} // namespace db
