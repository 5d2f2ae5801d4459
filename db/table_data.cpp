#include "db/table_data.h"

#include "db/like_pattern.h"

namespace db {

TableData TableData::fromJetTable(const JetTable& table) {
    TableData data;
    data.name = table.name;
    data.rowCount = static_cast<int>(table.rows.size());
    const auto rows = static_cast<size_t>(data.rowCount);
    for (qsizetype c = 0; c < table.columns.size(); ++c) {
        Column column{table.columns[c].name, {}, {}, std::vector<bool>(rows)};
        column.text.reserve(rows);
        column.folded.reserve(rows);
        for (size_t r = 0; r < rows; ++r) {
            const QVariant& value = table.rows[static_cast<qsizetype>(r)][c];
            column.isNull[r] = value.isNull();
            // Binary values have no text to show or search.
            column.text.push_back(value.typeId() == QMetaType::QByteArray ? QString()
                                                                          : value.toString());
            column.folded.push_back(foldCase(column.text.back()));
        }
        data.columns.push_back(std::move(column));
    }
    return data;
}

int TableData::columnIndex(QStringView columnName) const {
    for (size_t i = 0; i < columns.size(); ++i) {
        if (columns[i].name.compare(columnName, Qt::CaseInsensitive) == 0) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

} // namespace db
