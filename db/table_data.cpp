#include "db/table_data.h"

#include "db/like_pattern.h"

namespace db {

const QString& TableData::Column::text(size_t row) const {
    if (!decoded_.empty() && !decoded_[row]) {
        if (!texts_.empty()) {
            text_[row] = reader_->read(texts_[row]);
        } else if (!longValues_.empty()) {
            text_[row] = reader_->readText(longValues_[row]);
        } else {
            text_[row] = values_[row].toString();
        }
        decoded_[row] = 1;
    }
    return text_[row];
}

const QString& TableData::Column::folded(size_t row) const {
    if (folded_.empty()) {
        folded_.reserve(null_.size());
        for (size_t r = 0; r < null_.size(); ++r) {
            folded_.push_back(foldCase(text(r)));
        }
    }
    return folded_[row];
}

TableData TableData::fromStoredTable(StoredTable table) {
    TableData data;
    data.name = table.name;
    data.rowCount = table.rowCount;
    const auto rows = static_cast<size_t>(data.rowCount);
    for (StoredTable::Column& stored : table.columns) {
        Column column;
        column.name = stored.column.name;
        column.null_.resize(rows);
        column.text_.resize(rows);
        const JetType type = stored.column.type;
        if (type == JetType::Ole) {
            // Binary values have no text to show or search.
            for (size_t r = 0; r < rows; ++r) {
                column.null_[r] = !stored.longValues[r].has_value();
            }
            data.columns.push_back(std::move(column));
            continue;
        }
        // NULL reads as "", decoded already.
        column.decoded_.resize(rows);
        column.reader_ = table.values;
        if (type == JetType::Text) {
            column.texts_.resize(rows);
        } else if (type == JetType::Memo) {
            column.longValues_.resize(rows);
        }
        for (size_t r = 0; r < rows; ++r) {
            if (type == JetType::Text) {
                column.null_[r] = !stored.texts[r].has_value();
                if (!column.null_[r]) {
                    column.texts_[r] = *stored.texts[r];
                }
            } else if (type == JetType::Memo) {
                column.null_[r] = !stored.longValues[r].has_value();
                if (!column.null_[r]) {
                    column.longValues_[r] = std::move(*stored.longValues[r]);
                }
            } else {
                column.null_[r] = stored.values[r].isNull();
            }
            column.decoded_[r] = column.null_[r];
        }
        if (type != JetType::Text && type != JetType::Memo) {
            column.values_ = std::move(stored.values);
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
