#pragma once

// A reader of Jet 4.0 files written for the tests, independent of the writer's code: it parses
// the pages by the format's rules and throws std::runtime_error where they are broken.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace jetcheck {

using Bytes = std::vector<std::uint8_t>;
using Field = std::optional<Bytes>; // nullopt: NULL

std::uint32_t le(std::span<const std::uint8_t> bytes, std::size_t at, int width);
std::uint32_t be(std::span<const std::uint8_t> bytes, std::size_t at, int width);
std::u16string utf16(std::span<const std::uint8_t> bytes);

struct Column {
    std::uint8_t type;
    std::uint16_t number;
    std::uint16_t variableIndex;
    std::uint16_t sortOrder;
    std::uint8_t sortVersion;
    std::uint8_t flags;
    std::uint8_t extendedFlags;
    std::uint16_t fixedOffset;
    std::uint16_t length;
    std::u16string name;
};

struct RealIndex {
    Bytes definition; // the 52 bytes as stored
    std::vector<std::uint16_t> columnNumbers;
    std::uint32_t usageMap;
    std::uint32_t rootPage;
    std::uint8_t flags;
};

struct LogicalIndex {
    Bytes definition; // the 28 bytes as stored
    std::uint32_t realIndex;
    std::uint8_t indexType;
    std::u16string name;
};

struct LongValueMaps {
    std::uint16_t columnNumber;
    std::uint32_t ownedPagesMap;
    std::uint32_t freeSpaceMap;
};

struct TableDef {
    std::uint32_t page;
    std::uint8_t tableType;
    std::uint32_t rowCount;
    std::uint32_t lastAutonumber;
    std::uint32_t indexRowCount; // rows counted for the first real index
    std::uint32_t ownedPagesMap;
    std::uint32_t freeSpaceMap;
    std::uint16_t variableColumnCount;
    std::vector<Column> columns; // in stored order
    std::vector<RealIndex> realIndexes;
    std::vector<LogicalIndex> logicalIndexes;
    std::vector<LongValueMaps> longValueMaps;

    const Column& column(std::u16string_view name) const;
};

enum class MemoStorage { Inline, SingleRow, Chain };

struct IndexEntry {
    Bytes key;
    std::uint32_t rowPointer;
};

struct IndexWalk {
    std::vector<IndexEntry> entries;  // leaf entries in tree order
    std::vector<std::uint32_t> pages; // every page of the tree
};

class JetFile {
public:
    explicit JetFile(Bytes bytes);
    static JetFile load(const std::string& path);

    std::size_t pageCount() const { return bytes_.size() / 4096; }
    std::span<const std::uint8_t> page(std::uint32_t number) const;
    Bytes unmaskedHeader() const;

    TableDef tableDef(std::uint32_t page) const;
    // The bytes of the row a row pointer (page << 8 | row) names.
    std::span<const std::uint8_t> row(std::uint32_t rowPointer) const;
    std::vector<std::uint32_t> usageMapPages(std::uint32_t mapRowPointer) const;
    // Checks a data or long-value page's row offsets and free space; returns its row count.
    std::uint32_t checkRowPage(std::uint32_t page) const;
    // Fields indexed by column number.
    std::vector<Field> crackRow(const TableDef& table, std::span<const std::uint8_t> row) const;
    // The rows of a table, scanning its owned data pages in page order.
    std::vector<std::vector<Field>> tableRows(const TableDef& table) const;
    Bytes memoValue(std::span<const std::uint8_t> field, MemoStorage* storage = nullptr) const;
    // Walks an index tree from its root; `keyLength` is the size of one key with its flag byte.
    IndexWalk walkIndex(std::uint32_t rootPage, std::size_t keyLength) const;

private:
    std::vector<Bytes> indexPageEntries(std::span<const std::uint8_t> page) const;

    Bytes bytes_;
};

} // namespace jetcheck
