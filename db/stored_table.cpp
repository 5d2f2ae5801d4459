#include "db/stored_table.h"

namespace db {

QVariant StoredTable::value(size_t column, size_t row) const {
    const Column& stored = columns[column];
    if (stored.column.type == JetType::Text) {
        const std::optional<StoredText>& text = stored.texts[row];
        return text ? QVariant(values->read(*text)) : QVariant();
    }
    if (!isLong(stored.column.type)) {
        return stored.values[row];
    }
    const std::optional<LongValueRef>& longValue = stored.longValues[row];
    if (!longValue) {
        return {};
    }
    if (stored.column.type == JetType::Ole) {
        return values->read(*longValue);
    }
    return values->readText(*longValue);
}

JetTable StoredTable::decoded() const {
    JetTable table;
    table.name = name;
    for (const Column& column : columns) {
        table.columns.append(column.column);
    }
    table.rows.reserve(rowCount);
    for (size_t row = 0; row < static_cast<size_t>(rowCount); ++row) {
        QVariantList cells;
        cells.reserve(static_cast<qsizetype>(columns.size()));
        for (size_t c = 0; c < columns.size(); ++c) {
            cells.append(value(c, row));
        }
        table.rows.append(std::move(cells));
    }
    return table;
}

} // namespace db
