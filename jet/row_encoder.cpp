#include "jet/row_encoder.h"

#include "jet/error.h"
#include "jet/format.h"

#include <algorithm>

namespace jet {

Bytes encodeRow(const TableDefinition& table, const std::vector<FieldValue>& fields) {
    const auto columns = table.columnsByNumber();
    const std::size_t columnCount = columns.size();
    Bytes row;
    appendLE(row, columnCount, 2);

    row.resize(2 + table.fixedPartSize());
    Bytes nullMask((columnCount + 7) / 8, 0);
    auto markPresent = [&](const ColumnDefinition& column) {
        nullMask[column.number / 8] |= static_cast<std::uint8_t>(1u << (column.number % 8));
    };

    for (const ColumnDefinition* column : columns) {
        const FieldValue& field = fields.at(column->number);
        if (!column->isFixed() || !field) {
            continue;
        }
        markPresent(*column);
        const std::size_t at = 2u + table.fixedOffset(*column);
        std::ranges::copy(*field, row.begin() + static_cast<std::ptrdiff_t>(at));
    }

    std::vector<std::uint16_t> variableOffsets;
    for (const ColumnDefinition* column : columns) {
        if (column->isFixed()) {
            continue;
        }
        variableOffsets.push_back(static_cast<std::uint16_t>(row.size()));
        if (const FieldValue& field = fields.at(column->number)) {
            markPresent(*column);
            row.insert(row.end(), field->begin(), field->end());
        }
    }

    const std::size_t endOfData = row.size();
    appendLE(row, endOfData, 2);
    for (auto offset = variableOffsets.rbegin(); offset != variableOffsets.rend(); ++offset) {
        appendLE(row, *offset, 2);
    }
    appendLE(row, variableOffsets.size(), 2);
    row.insert(row.end(), nullMask.begin(), nullMask.end());

    if (row.size() > static_cast<std::size_t>(format::kMaxRowSize)) {
        throw Error("a row of " + std::to_string(row.size()) +
                    " bytes does not fit on a page (at most " +
                    std::to_string(format::kMaxRowSize) + ")");
    }
    return row;
}

} // namespace jet
