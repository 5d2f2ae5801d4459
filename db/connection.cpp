#include "db/connection.h"

#include "db/connection_string.h"
#include "db/database_error.h"
#include "db/file_lock.h"
#include "db/jet_file.h"

#include <map>
#include <optional>
#include <utility>

namespace db {

struct Connection::Session {
    FileHold hold;
    std::optional<FileIdentity> held;
    JetFile file;
    std::map<QString, std::shared_ptr<const TableData>> tables; // by case-folded name
};

Connection::Connection(QObject* parent) : QObject(parent) {}

Connection::~Connection() {
    close();
}

void Connection::setConnectionString(const QString& text) {
    connectionString_ = text;
}

void Connection::open() {
    if (connected()) {
        return;
    }
    const ConnectionSettings settings = parseConnectionString(connectionString_);
    FileHold hold = holdForReading(settings.dataSource);
    const std::optional<FileIdentity> held = identityOf(hold.fd());
    // Read the very file that is held, whatever happens to its name meanwhile.
    JetFile file(hold.fd(), settings.dataSource);
    session_ = std::make_unique<Session>(Session{std::move(hold), held, std::move(file), {}});
}

void Connection::close() {
    // A table read ahead for a start that never connected goes too.
    readAhead_ = {};
    if (!connected()) {
        return;
    }
    Q_EMIT aboutToClose();
    session_.reset();
}

void Connection::keepReadAhead(TableReadAhead table) {
    readAhead_ = std::move(table);
}

std::shared_ptr<const TableData> Connection::takeReadAhead(const QString& table) {
    if (!readAhead_.data || readAhead_.table.toCaseFolded() != table.toCaseFolded()) {
        return nullptr;
    }
    const TableReadAhead ahead = std::exchange(readAhead_, {});
    return session_->held == ahead.file ? ahead.data : nullptr;
}

QueryResult Connection::execute(const QString& statement) {
    if (!connected()) {
        throw DatabaseError("The connection is closed");
    }
    const SelectStatement parsed = parseStatement(statement);
    std::shared_ptr<const TableData>& table = session_->tables[parsed.table.toCaseFolded()];
    if (!table) {
        table = takeReadAhead(parsed.table);
    }
    if (!table) {
        try {
            table = std::make_shared<const TableData>(
                TableData::fromStoredTable(session_->file.readStoredTable(parsed.table)));
        } catch (...) {
            session_->tables.erase(parsed.table.toCaseFolded());
            throw;
        }
    }
    return runSelect(parsed, table);
}

} // namespace db
