#include "jet/table_definition.h"

#include <algorithm>

namespace jet {

std::vector<const ColumnDefinition*> TableDefinition::columnsByNumber() const {
    std::vector<const ColumnDefinition*> sorted;
    for (const ColumnDefinition& column : columns) {
        sorted.push_back(&column);
    }
    std::ranges::sort(sorted, {}, &ColumnDefinition::number);
    return sorted;
}

std::uint16_t TableDefinition::fixedOffset(const ColumnDefinition& column) const {
    if (!column.isFixed()) {
        return 0;
    }
    std::uint16_t offset = 0;
    for (const ColumnDefinition* other : columnsByNumber()) {
        if (other->number == column.number) {
            break;
        }
        if (other->isFixed() && other->type != ColumnType::Boolean) {
            offset = static_cast<std::uint16_t>(offset + other->length);
        }
    }
    return offset;
}

std::uint16_t TableDefinition::variableIndex(const ColumnDefinition& column) const {
    std::uint16_t index = 0;
    for (const ColumnDefinition* other : columnsByNumber()) {
        if (other->number == column.number) {
            break;
        }
        if (!other->isFixed()) {
            ++index;
        }
    }
    return index;
}

std::uint16_t TableDefinition::variableColumnCount() const {
    return static_cast<std::uint16_t>(
        std::ranges::count_if(columns, [](const ColumnDefinition& c) { return !c.isFixed(); }));
}

std::uint16_t TableDefinition::fixedPartSize() const {
    std::uint16_t size = 0;
    for (const ColumnDefinition& column : columns) {
        if (column.isFixed() && column.type != ColumnType::Boolean) {
            size = static_cast<std::uint16_t>(size + column.length);
        }
    }
    return size;
}

} // namespace jet
