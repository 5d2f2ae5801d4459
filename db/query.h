#pragma once

#include "db/statement.h"
#include "db/table_data.h"

#include <memory>
#include <vector>

namespace db {

// The result of a statement: a choice of columns and of rows of a cached table, which it keeps
// alive. Read-only: the engine never writes the file.
class QueryResult {
public:
    QueryResult() = default;
    QueryResult(std::shared_ptr<const TableData> table, std::vector<int> columns,
                std::vector<int> rows);

    int rowCount() const { return static_cast<int>(rows_.size()); }
    int fieldCount() const { return static_cast<int>(columns_.size()); }
    const QString& fieldName(int field) const;
    // The cell's text, "" for NULL. Both indexes must be in range.
    const QString& text(int row, int field) const;

private:
    std::shared_ptr<const TableData> table_;
    std::vector<int> columns_;
    std::vector<int> rows_;
};

// Runs `statement` over `table`, the table it names. Throws DatabaseError for a column the
// table does not have: "Unknown column 'foo'".
QueryResult runSelect(const SelectStatement& statement, std::shared_ptr<const TableData> table);

} // namespace db
