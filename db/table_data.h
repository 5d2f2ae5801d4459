#pragma once

#include "db/jet_table.h"

#include <QString>
#include <QStringView>

#include <vector>

namespace db {

// A table as the engine keeps it in memory for the life of a connection: every cell as the
// text a record set shows (NULL reads as ""), its case-folded twin for `like`, and whether it
// was NULL. Columns are stored apart so that a search walks one column's texts in a row.
struct TableData {
    struct Column {
        QString name;
        std::vector<QString> text;
        std::vector<QString>
            folded; // foldCase(text), sharing the text when folding changes nothing
        std::vector<bool> isNull;
    };

    QString name;
    std::vector<Column> columns;
    int rowCount = 0;

    static TableData fromJetTable(const JetTable& table);
    // The position of the column called `columnName` (case ignored), or -1.
    int columnIndex(QStringView columnName) const;
};

} // namespace db
