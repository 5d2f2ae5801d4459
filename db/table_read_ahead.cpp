#include "db/table_read_ahead.h"

#include "db/file_lock.h"
#include "db/jet_file.h"

#include <sys/stat.h>

namespace db {

std::optional<FileIdentity> identityOf(int fd) {
    struct stat status {};
    if (::fstat(fd, &status) != 0) {
        return std::nullopt;
    }
    return FileIdentity{status.st_dev, status.st_ino};
}

TableReadAhead readTableAhead(const QString& path, const QString& table) {
    TableReadAhead ahead{table, {}, nullptr};
    try {
        const FileHold hold = holdForReading(path);
        const std::optional<FileIdentity> file = identityOf(hold.fd());
        if (!file) {
            return ahead;
        }
        const JetFile jet(hold.fd(), path);
        ahead.data = std::make_shared<const TableData>(
            TableData::fromStoredTable(jet.readStoredTable(table)));
        ahead.file = *file;
    } catch (...) {
        // Left without data: the statement that needs the table reads it itself and reports what
        // goes wrong.
    }
    return ahead;
}

} // namespace db
