#pragma once

#include "db/query.h"
#include "db/table_read_ahead.h"

#include <QObject>
#include <QString>

#include <memory>

namespace db {

// ADOConnection1: the connection to one Jet 4.0 file. A file this process wrote itself is read
// through the descriptor it was written with (holdForReading), so a file renamed over its name
// is never read. While connected it holds a lock on the file (so no other instance replaces or
// deletes it) and keeps each table it has read in memory, so that every statement after the
// first runs without touching the file.
class Connection : public QObject {
    Q_OBJECT

public:
    explicit Connection(QObject* parent = nullptr);
    ~Connection() override;

    // Takes effect at the next open; does not open.
    void setConnectionString(const QString& text);
    QString connectionString() const { return connectionString_; }
    bool connected() const { return session_ != nullptr; }

    // Parses the connection string, opens the file through the engine and holds it. Throws
    // DatabaseError (or FileHoldError) and stays closed when any of this fails. Opening an
    // open connection does nothing.
    void open();
    // Closes every record set on it first (they emit closed()), then releases the file. Drops a
    // table kept by keepReadAhead(), also when the connection never opened.
    void close();

    // Runs one statement. Throws DatabaseError when the connection is closed or the engine
    // rejects the statement.
    QueryResult execute(const QString& statement);

    // Keeps a table read ahead (readTableAhead) for the first statement on it, which takes it
    // instead of reading the table when the connection holds the very file it was read from.
    // Replaces one kept before; closing drops it.
    void keepReadAhead(TableReadAhead table);

Q_SIGNALS:
    void aboutToClose();

private:
    struct Session;

    // The table kept by keepReadAhead, when the session holds the file it was read from.
    std::shared_ptr<const TableData> takeReadAhead(const QString& table);

    QString connectionString_;
    std::unique_ptr<Session> session_;
    TableReadAhead readAhead_;
};

} // namespace db
