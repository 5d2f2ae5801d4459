#pragma once

#include "db/stored_table.h"

#include <QString>
#include <QStringView>

#include <cstdint>
#include <memory>
#include <vector>

namespace db {

// A table as the engine keeps it in memory for the life of a connection: every cell as the
// text a record set shows (NULL reads as ""), its case-folded twin for `like`, and whether it
// was NULL. Columns are stored apart so that a search walks one column's texts in a row.
//
// Texts and memo texts are decoded from the file's image, and numbers rendered, when a cell is
// first read, and the folded texts of a column are made when it is first searched, so that opening
// a table costs little more than reading its rows. The caches make reads non-const inside: use a
// TableData from one thread.
struct TableData {
    class Column {
    public:
        QString name;

        bool isNull(size_t row) const { return null_[row]; }
        const QString& text(size_t row) const;
        // foldCase(text(row)).
        const QString& folded(size_t row) const;

    private:
        friend struct TableData;

        // One byte a cell rather than packed bits: the flags are set for every row while the table
        // is opened, and a packed bit costs several times a byte's work to write.
        std::vector<std::uint8_t> null_;
        mutable std::vector<QString> text_;
        // Whether text_ holds a cell's text yet; empty when it holds every one.
        mutable std::vector<std::uint8_t> decoded_;
        // Where the cells' texts come from, one of: where each is stored (text and memo
        // columns, read through reader_), or the values (numbers and the like).
        std::vector<StoredText> texts_;
        std::vector<LongValueRef> longValues_;
        std::shared_ptr<const StoredValueReader> reader_;
        std::vector<QVariant> values_;
        mutable std::vector<QString> folded_; // empty until the column is first searched
    };

    QString name;
    std::vector<Column> columns;
    int rowCount = 0;

    static TableData fromStoredTable(StoredTable table);
    // The position of the column called `columnName` (case ignored), or -1.
    int columnIndex(QStringView columnName) const;
};

} // namespace db
