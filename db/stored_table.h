#pragma once

#include "db/jet_table.h"
#include "db/stored_value.h"

#include <memory>
#include <optional>
#include <vector>

namespace db {

// A table as read from the file, column by column, with its texts and long values (memo and
// OLE) not yet decoded: the rows hold where each one is stored, and `values` reads them from
// the file's image when they are wanted. Every long value has been walked and every text
// located while reading, so reading them later cannot fail.
struct StoredTable {
    struct Column {
        JetColumn column;
        std::vector<QVariant> values;                        // every other type
        std::vector<std::optional<StoredText>> texts;        // Text; nullopt is NULL
        std::vector<std::optional<LongValueRef>> longValues; // Memo and Ole; nullopt is NULL
    };

    QString name;
    std::vector<Column> columns;
    int rowCount = 0;
    std::shared_ptr<const StoredValueReader> values;

    static bool isLong(JetType type) { return type == JetType::Memo || type == JetType::Ole; }
    // A cell as JetTable holds it.
    QVariant value(size_t column, size_t row) const;
    // Every value decoded.
    JetTable decoded() const;
};

} // namespace db
