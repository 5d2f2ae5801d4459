// Opens arbitrary bytes as a database file and reads every table in it, as a connection would
// read a damaged working copy: through the descriptor of an anonymous in-memory file. The engine
// refuses whatever libmdb would complain about on standard error, so a word from libmdb is a
// finding: it is printed and the run aborts.

#include "db/database_error.h"
#include "db/jet_file.h"

#include <QString>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sys/mman.h>
#include <unistd.h>

namespace {

// What is written through stdio's standard error while it lives: libmdb prints with
// fprintf(stderr, ...). libFuzzer and the sanitizers keep the real one (their own FILE, or
// descriptor 2), so their reports still show.
class LibraryWords {
public:
    LibraryWords() : saved_(stderr) { stderr = ::open_memstream(&text_, &size_); }
    LibraryWords(const LibraryWords&) = delete;
    LibraryWords& operator=(const LibraryWords&) = delete;
    ~LibraryWords() {
        if (stderr != saved_) {
            std::fclose(stderr);
            stderr = saved_;
        }
        std::free(text_);
    }

    // Ends the capture; aborts, after printing them, when there were any words.
    void abortIfAny() {
        std::fclose(stderr);
        stderr = saved_;
        if (size_ > 0) {
            std::fprintf(stderr, "libmdb wrote to standard error:\n%.*s\n", static_cast<int>(size_),
                         text_);
            std::abort();
        }
    }

private:
    std::FILE* saved_;
    char* text_ = nullptr;
    size_t size_ = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const int fd = ::memfd_create("database_fuzz", MFD_CLOEXEC);
    if (fd < 0 || ::write(fd, data, size) != static_cast<ssize_t>(size)) {
        std::abort();
    }
    LibraryWords words;
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
    words.abortIfAny();
    return 0;
}
