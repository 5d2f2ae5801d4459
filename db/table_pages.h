#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace db {

// What the check of a table needs to know of its definition: where it lives, its usage map (the
// pages it owns) and where each column's value stands in a row.
struct TableLayout {
    struct Column {
        int number = 0;     // its bit in a row's null mask
        bool fixed = false; // fixed-length, at `fixedOffset` after the column count
        int fixedOffset = 0;
        int size = 0; // of a fixed-length value
    };

    std::uint32_t definitionPage = 0;
    QByteArray usageMap;
    std::vector<Column> columns;
    bool hasVariableColumns = false;
    std::uint32_t rowCount = 0; // as the definition states it
};

// A Jet 4.0 page by number, as the engine reads it (decrypted); only asked for pages inside the
// file.
using PageReader = std::function<const unsigned char*(std::uint32_t page)>;

// The data pages that `layout`'s usage map names, in the order it names them, once every page
// and every row on them has been checked: each page lies inside the file (`pageCount` pages) and
// is a data page of this table; each row's offset, column count, null mask, fixed values and
// variable-length offsets lie inside its page and its row; the pages hold at least the rows the
// definition states. Throws DatabaseError with `cannotRead`, a colon and the fault otherwise, so
// that a damaged table is refused before libmdb would skip what it cannot read.
std::vector<std::uint32_t> checkedDataPages(const TableLayout& layout, std::uint32_t pageCount,
                                            const PageReader& readPage, const QString& cannotRead);

// The size of row `row` of `page`, when the page is a data page whose row table holds that row,
// live and inside the page; nothing otherwise. A table's definition names its page maps so.
std::optional<int> mapRowSize(const unsigned char* page, int row);

} // namespace db
