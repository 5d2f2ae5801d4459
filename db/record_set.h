#pragma once

#include "db/query.h"

#include <QObject>
#include <QPointer>
#include <QStringList>

#include <optional>

namespace db {

class Connection;

// ADOQuery1: one statement and its whole result, kept on the client side. The result is
// static: it does not change while the set is open, and it is never written back.
class RecordSet : public QObject {
    Q_OBJECT

public:
    RecordSet(const QString& name, Connection& connection, QObject* parent = nullptr);

    QString name() const { return name_; }
    QStringList sql() const { return sql_; }
    // Both change the statement and so close the set if it is open.
    void clearSql();
    void addSqlLine(const QString& line);

    // Opens the connection if it is closed, runs the lines each followed by CR LF, keeps every
    // row and makes the first current (Bof set, Eof set exactly when there is none). On failure
    // throws the engine's error and stays closed. Opening an open set does nothing.
    void open();
    // Drops the result; closing a closed set does nothing.
    void close();
    bool active() const { return result_.has_value(); }

    // The closed-set error for both: "<name>: Cannot perform this operation on a closed dataset".
    int recordCount() const;
    // Moves the current row by `distance` rows; returns the rows moved (negative backwards).
    // A forward move with Eof set or a backward one with Bof set does nothing; a move that
    // runs past the last (first) row stops on it and sets Eof (Bof). No error at either end.
    int moveBy(int distance);

    bool eof() const { return eof_; }
    bool bof() const { return bof_; }
    int currentRow() const { return active() ? current_ : -1; }
    int fieldCount() const { return active() ? result_->fieldCount() : 0; }
    // Empty when closed or out of range.
    QString fieldName(int position) const;
    QString fieldText(int position) const { return valueText(current_, position); }
    QString valueText(int row, int position) const;

Q_SIGNALS:
    void opened();
    void closed();
    void currentRowChanged(int row);

private:
    void requireOpen() const;

    QString name_;
    QPointer<Connection> connection_;
    QStringList sql_;
    std::optional<QueryResult> result_;
    int current_ = -1;
    bool bof_ = false;
    bool eof_ = false;
};

} // namespace db
