#pragma once

#include "db/jet_table.h"
#include "db/long_value.h"

#include <memory>
#include <optional>
#include <vector>

namespace db {

// A table as read from the file, column by column, with its long values (memo and OLE) not
// yet decoded: the rows hold where each one is stored, and `longValues` reads them from the
// file's image when they are wanted. Every long value has been walked once while reading, so
// reading it later cannot fail.
struct StoredTable {
    struct Column {
        JetColumn column;
        std::vector<QVariant> values;                        // every type but Memo and Ole
        std::vector<std::optional<LongValueRef>> longValues; // Memo and Ole; nullopt is NULL
    };

    QString name;
    std::vector<Column> columns;
    int rowCount = 0;
    std::shared_ptr<const LongValueReader> longValues;

    static bool isLong(JetType type) { return type == JetType::Memo || type == JetType::Ole; }
    // The value of a long-valued cell as JetTable holds it: QString for Memo, QByteArray for
    // Ole, a null QVariant for NULL.
    QVariant longValue(size_t column, size_t row) const;
    // Every value decoded.
    JetTable decoded() const;
};

} // namespace db
