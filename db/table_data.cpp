#include "db/table_data.h"

#include "db/jet_text.h"
#include "db/like_pattern.h"

namespace db {

const QString& TableData::Column::text(size_t row) const {
    if (!decoded_.empty() && !decoded_[row]) {
        if (stored_.empty()) {
            text_[row] = values_[row].toString();
        } else {
            const QByteArray bytes = reader_->read(stored_[row]);
            text_[row] = jetText(bytes.constData(), bytes.size());
        }
        decoded_[row] = true;
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
        if (stored.column.type == JetType::Memo) {
            column.stored_.resize(rows);
            column.decoded_.resize(rows);
            column.reader_ = table.longValues;
            for (size_t r = 0; r < rows; ++r) {
                column.null_[r] = !stored.longValues[r].has_value();
                // NULL reads as "", decoded already.
                column.decoded_[r] = column.null_[r];
                if (!column.null_[r]) {
                    column.stored_[r] = std::move(*stored.longValues[r]);
                }
            }
        } else if (stored.column.type == JetType::Ole) {
            // Binary values have no text to show or search.
            for (size_t r = 0; r < rows; ++r) {
                column.null_[r] = !stored.longValues[r].has_value();
            }
        } else if (stored.column.type == JetType::Text) {
            for (size_t r = 0; r < rows; ++r) {
                column.null_[r] = stored.values[r].isNull();
                column.text_[r] = stored.values[r].toString();
            }
        } else {
            column.decoded_.resize(rows);
            for (size_t r = 0; r < rows; ++r) {
                column.null_[r] = stored.values[r].isNull();
            }
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
