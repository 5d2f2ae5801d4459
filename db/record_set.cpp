#include "db/record_set.h"

#include "db/connection.h"
#include "db/database_error.h"

using namespace Qt::Literals::StringLiterals;

namespace db {

RecordSet::RecordSet(const QString& name, Connection& connection, QObject* parent)
    : QObject(parent), name_(name), connection_(&connection) {
    connect(&connection, &Connection::aboutToClose, this, &RecordSet::close);
}

void RecordSet::clearSql() {
    close();
    sql_.clear();
}

void RecordSet::addSqlLine(const QString& line) {
    close();
    sql_.append(line);
}

void RecordSet::open() {
    if (active()) {
        return;
    }
    if (connection_.isNull()) {
        throw DatabaseError((name_ + u": Missing connection"_s).toStdString());
    }
    connection_->open();
    QString statement;
    for (const QString& line : std::as_const(sql_)) {
        statement += line + u"\r\n"_s;
    }
    result_ = connection_->execute(statement);
    current_ = 0;
    bof_ = true;
    eof_ = result_->rowCount() == 0;
    Q_EMIT opened();
}

void RecordSet::close() {
    if (!active()) {
        return;
    }
    result_.reset();
    current_ = -1;
    bof_ = false;
    eof_ = false;
    Q_EMIT closed();
}

void RecordSet::requireOpen() const {
    if (!active()) {
        throw DatabaseError(
            (name_ + u": Cannot perform this operation on a closed dataset"_s).toStdString());
    }
}

int RecordSet::recordCount() const {
    requireOpen();
    return result_->rowCount();
}

int RecordSet::moveBy(int distance) {
    requireOpen();
    if (distance == 0 || (distance > 0 && eof_) || (distance < 0 && bof_)) {
        return 0;
    }
    bof_ = false;
    eof_ = false;
    const int last = result_->rowCount() - 1;
    const qint64 wanted = qint64(current_) + distance;
    int target = static_cast<int>(std::clamp<qint64>(wanted, 0, std::max(last, 0)));
    if (wanted > last) {
        eof_ = true;
    }
    if (wanted < 0) {
        bof_ = true;
    }
    const int moved = target - current_;
    if (moved != 0) {
        current_ = target;
        Q_EMIT currentRowChanged(current_);
    }
    return moved;
}

QString RecordSet::fieldName(int position) const {
    if (position < 0 || position >= fieldCount()) {
        return {};
    }
    return result_->fieldName(position);
}

QString RecordSet::valueText(int row, int position) const {
    if (!active() || row < 0 || row >= result_->rowCount() || position < 0 ||
        position >= result_->fieldCount()) {
        return {};
    }
    return result_->text(row, position);
}

} // namespace db
