#include "db/query.h"

#include "db/database_error.h"
#include "db/like_pattern.h"

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace db {
namespace {

int requireColumn(const TableData& table, const QString& name) {
    const int index = table.columnIndex(name);
    if (index < 0) {
        throw DatabaseError(u"Unknown column '%1'"_s.arg(name).toStdString());
    }
    return index;
}

} // namespace

QueryResult::QueryResult(std::shared_ptr<const TableData> table, std::vector<int> columns,
                         std::vector<int> rows)
    : table_(std::move(table)), columns_(std::move(columns)), rows_(std::move(rows)) {}

const QString& QueryResult::fieldName(int field) const {
    return table_->columns[static_cast<size_t>(columns_[static_cast<size_t>(field)])].name;
}

const QString& QueryResult::text(int row, int field) const {
    const auto& column = table_->columns[static_cast<size_t>(columns_[static_cast<size_t>(field)])];
    return column.text(static_cast<size_t>(rows_[static_cast<size_t>(row)]));
}

QueryResult runSelect(const SelectStatement& statement, std::shared_ptr<const TableData> table) {
    std::vector<int> columns;
    if (statement.columns.isEmpty()) {
        for (size_t i = 0; i < table->columns.size(); ++i) {
            columns.push_back(static_cast<int>(i));
        }
    }
    for (const QString& name : statement.columns) {
        columns.push_back(requireColumn(*table, name));
    }

    struct Test {
        const TableData::Column* column;
        LikePattern pattern;
    };
    std::vector<Test> tests;
    for (const LikeTest& test : statement.anyOf) {
        tests.push_back({&table->columns[static_cast<size_t>(requireColumn(*table, test.column))],
                         LikePattern(test.pattern)});
    }

    std::vector<int> rows;
    rows.reserve(static_cast<size_t>(table->rowCount));
    for (int row = 0; row < table->rowCount; ++row) {
        const auto r = static_cast<size_t>(row);
        // NULL passes no test, as in SQL: "NULL like '%'" is not true.
        const bool passes =
            tests.empty() || std::any_of(tests.begin(), tests.end(), [r](const Test& test) {
                return !test.column->isNull(r) &&
                       test.pattern.matchesFolded(test.column->folded(r));
            });
        if (passes) {
            rows.push_back(row);
        }
    }
    return QueryResult(std::move(table), std::move(columns), std::move(rows));
}

} // namespace db
