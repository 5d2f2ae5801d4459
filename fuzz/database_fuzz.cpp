// Opens arbitrary bytes as a database file and reads every table in it, as a connection would
// read a damaged working copy: through the descriptor of an anonymous in-memory file.

#include "db/database_error.h"
#include "db/jet_file.h"

#include <QString>

#include <cstdint>
#include <sys/mman.h>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const int fd = ::memfd_create("database_fuzz", MFD_CLOEXEC);
    if (fd < 0 || ::write(fd, data, size) != static_cast<ssize_t>(size)) {
        std::abort();
    }
    try {
        const db::JetFile file(fd, QStringLiteral("database_fuzz"));
        for (const QString& table : file.tableNames()) {
            try {
                file.readTable(table);
            } catch (const db::DatabaseError&) {
            }
        }
    } catch (const db::DatabaseError&) {
    }
    ::close(fd);
    return 0;
}
