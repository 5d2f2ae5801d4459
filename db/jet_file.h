#pragma once

#include "db/jet_image.h"
#include "db/jet_table.h"
#include "db/stored_table.h"

#include <QString>

#include <memory>

namespace db {

// One Jet 4.0 file opened read-only through libmdb, its catalog read once. libmdb is not
// thread-safe: use a JetFile from one thread at a time.
class JetFile {
public:
    // Opens `path`; `shownPath` names the file in error texts. Throws DatabaseError when the file
    // is missing, unreadable, truncated or not a Jet 4.0 database; nothing stays open then.
    explicit JetFile(const QString& path, const QString& shownPath = {});
    // Reads the file open on `fd` (which stays open and is the caller's), named `shownPath` in
    // error texts; throws as above.
    JetFile(int fd, const QString& shownPath);
    JetFile(JetFile&&) noexcept;
    JetFile& operator=(JetFile&&) noexcept;
    ~JetFile();

    // The user tables' names, in catalog order.
    QStringList tableNames() const;
    // Reads a whole table (name compared without regard to case), its long values walked but
    // not decoded. Throws DatabaseError for an unknown table, a table libmdb cannot read, a
    // damaged long value, or when the file's decode budget is spent: everything read from one
    // file counts against a few times its size (DecodeBudget).
    StoredTable readStoredTable(const QString& tableName) const;
    // The same, every value decoded.
    JetTable readTable(const QString& tableName) const;

private:
    // Hands the checked bytes of the file to libmdb and reads the catalog.
    void openImage(JetImage image);

    struct Handle;
    std::unique_ptr<Handle> handle_;
};

} // namespace db
