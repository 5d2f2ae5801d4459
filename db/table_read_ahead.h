#pragma once

#include "db/table_data.h"

#include <QString>

#include <sys/types.h>

#include <memory>
#include <optional>

namespace db {

// Which file an open descriptor reads, whatever its name is now.
struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;

    friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
};

// Nothing when the descriptor cannot be asked.
std::optional<FileIdentity> identityOf(int fd);

// A table read from a database file ahead of the statement that needs it, e.g. on a worker
// thread while the window builds its controls. It names the very file it was read from, so a
// connection takes it only for that file, never for another put in its place since.
struct TableReadAhead {
    QString table;
    FileIdentity file;
    // Nothing when the read failed: the statement then reads the table itself and meets the
    // fault as it would have without reading ahead.
    std::shared_ptr<const TableData> data;
};

// Reads `table` from the database file at `path` as a connection would (holdForReading, so a
// file this process wrote there is read through the descriptor it was written with). Safe on a
// thread of its own while no other thread uses libmdb; raises nothing.
TableReadAhead readTableAhead(const QString& path, const QString& table);

} // namespace db
