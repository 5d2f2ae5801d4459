#include "jet/table_definition_page.h"

#include "jet/error.h"
#include "jet/format.h"

namespace jet {

namespace {

constexpr std::uint8_t kUserTable = 0x4E;
constexpr std::uint8_t kSystemTable = 0x53;
constexpr std::uint8_t kPrimaryKeyFlags = 0x89; // unique, required, plus the bit Access always sets
constexpr std::uint8_t kAscending = 0x01;
constexpr int kIndexColumnSlots = 10;
constexpr std::uint8_t kPrimaryKeyIndexType = 0x01;

void appendName(Bytes& out, std::u16string_view name) {
    appendLE(out, name.size() * 2, 2);
    appendUtf16(out, name);
}

void appendColumn(Bytes& out, const TableDefinition& table, const ColumnDefinition& column,
                  std::uint16_t sortOrder) {
    out.push_back(static_cast<std::uint8_t>(column.type));
    appendLE(out, format::kTableMagic, 4);
    appendLE(out, column.number, 2);
    appendLE(out, table.variableIndex(column), 2);
    appendLE(out, column.number, 2);
    appendLE(out, sortOrder, 2);
    appendLE(out, 0, 2); // collation version 0
    out.push_back(column.flags);
    out.push_back(0); // no Unicode compression
    appendLE(out, 0, 4);
    appendLE(out, table.fixedOffset(column), 2);
    appendLE(out, column.length, 2);
}

} // namespace

Bytes encodeTableDefinitionPage(const TableDefinition& table, const TableStorage& storage,
                                std::uint16_t sortOrder) {
    const std::uint32_t indexCount = table.primaryKey ? 1 : 0;
    Bytes page{format::kTableDefinitionPage, 0x01, 0, 0};
    appendLE(page, 0, 4); // no continuation page
    appendLE(page, 0, 4); // definition length, filled in below
    appendLE(page, format::kTableMagic, 4);
    appendLE(page, storage.rowCount, 4);
    appendLE(page, storage.lastAutonumber, 4);
    page.push_back(0x01); // autonumbers in use
    page.resize(40, 0);
    page.push_back(table.system ? kSystemTable : kUserTable);
    appendLE(page, table.columns.size(), 2); // max columns
    appendLE(page, table.variableColumnCount(), 2);
    appendLE(page, table.columns.size(), 2);
    appendLE(page, indexCount, 4); // logical indexes
    appendLE(page, indexCount, 4); // real indexes
    appendLE(page, storage.ownedPagesMap, 4);
    appendLE(page, storage.freeSpaceMap, 4);

    if (table.primaryKey) {
        appendLE(page, 0, 4);
        appendLE(page, storage.rowCount, 4);
        appendLE(page, 0, 4);
    }
    for (const ColumnDefinition& column : table.columns) {
        appendColumn(page, table, column, sortOrder);
    }
    for (const ColumnDefinition& column : table.columns) {
        appendName(page, column.name);
    }
    if (table.primaryKey) {
        const auto& index = storage.primaryKey.value();
        appendLE(page, format::kRealIndexMagic, 4);
        appendLE(page, table.primaryKey->columnNumber, 2);
        page.push_back(kAscending);
        for (int slot = 1; slot < kIndexColumnSlots; ++slot) {
            appendLE(page, 0xFFFF, 2);
            page.push_back(0);
        }
        appendLE(page, index.usageMap, 4);
        appendLE(page, index.rootPage, 4);
        appendLE(page, 0, 4);
        page.push_back(kPrimaryKeyFlags);
        page.resize(page.size() + 5, 0);

        appendLE(page, format::kTableMagic, 4);
        appendLE(page, 0, 4); // logical index number
        appendLE(page, 0, 4); // its real index
        page.push_back(0);    // no related table
        appendLE(page, 0xFFFFFFFF, 4);
        appendLE(page, 0, 4);
        page.push_back(0x04); // cascade bytes as Access writes them for a key
        page.push_back(0x04);
        page.push_back(kPrimaryKeyIndexType);
        appendLE(page, 0, 4);

        appendName(page, table.primaryKey->name);
    }
    for (const auto& maps : storage.longValueMaps) {
        appendLE(page, maps.columnNumber, 2);
        appendLE(page, maps.ownedPagesMap, 4);
        appendLE(page, maps.freeSpaceMap, 4);
    }
    appendLE(page, 0xFFFF, 2);

    const std::size_t length = page.size();
    if (length > static_cast<std::size_t>(format::kPageSize) - 8) {
        throw Error("the definition of table does not fit on one page");
    }
    putLE(page, 8, length, 4);
    putLE(page, 2, format::kPageSize - 8 - length, 2);
    page.resize(format::kPageSize, 0);
    return page;
}

} // namespace jet
