#include "db/connection.h"

#include "db/connection_string.h"
#include "db/database_error.h"
#include "db/file_lock.h"
#include "db/jet_file.h"

#include <map>

namespace db {

struct Connection::Session {
    FileHold hold;
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
    // Read the very file that is held, whatever happens to its name meanwhile.
    JetFile file(hold.fd(), settings.dataSource);
    session_ = std::make_unique<Session>(Session{std::move(hold), std::move(file), {}});
}

void Connection::close() {
    if (!connected()) {
        return;
    }
    Q_EMIT aboutToClose();
    session_.reset();
}

QueryResult Connection::execute(const QString& statement) {
    if (!connected()) {
        throw DatabaseError("The connection is closed");
    }
    const SelectStatement parsed = parseStatement(statement);
    std::shared_ptr<const TableData>& table = session_->tables[parsed.table.toCaseFolded()];
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
