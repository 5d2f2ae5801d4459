#include "db/stored_table.h"

#include "db/jet_text.h"

namespace db {

QVariant StoredTable::longValue(size_t column, size_t row) const {
    const std::optional<LongValueRef>& stored = columns[column].longValues[row];
    if (!stored) {
        return {};
    }
    const QByteArray bytes = longValues->read(*stored);
    if (columns[column].column.type == JetType::Ole) {
        return bytes;
    }
    return jetText(bytes.constData(), bytes.size());
}

JetTable StoredTable::decoded() const {
    JetTable table;
    table.name = name;
    for (const Column& column : columns) {
        table.columns.append(column.column);
    }
    table.rows.reserve(rowCount);
    for (size_t row = 0; row < static_cast<size_t>(rowCount); ++row) {
        QVariantList values;
        values.reserve(static_cast<qsizetype>(columns.size()));
        for (size_t c = 0; c < columns.size(); ++c) {
            values.append(isLong(columns[c].column.type) ? longValue(c, row)
                                                         : columns[c].values[row]);
        }
        table.rows.append(std::move(values));
    }
    return table;
}

} // namespace db
