#include "db/jet_image.h"

#include "db/database_error.h"
#include "db/posix_file.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace db {
namespace {

constexpr qint64 kPageSize = 4096;

[[noreturn]] void fail(const QString& text) {
    throw DatabaseError(text.toStdString());
}

QString systemText(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

// Whether only this user may write the file, so that nobody else can cut it short while it is
// mapped (reading a mapped page past a new end would kill the program). Group and others' write
// bits also show a write grant in an access list.
bool onlyOwnerMayWrite(const struct stat& info) {
    return info.st_uid == ::geteuid() && (info.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

// Maps the file privately: libmdb may write to its buffer, and such writes stay in memory.
std::optional<JetImage> mapDatabaseFile(int fd, qsizetype size) {
    void* start =
        ::mmap(nullptr, static_cast<size_t>(size), PROT_READ | PROT_WRITE, MAP_PRIVATE, fd, 0);
    if (start == MAP_FAILED) {
        return std::nullopt;
    }
    std::shared_ptr<const void> owner(start, [size](const void* mapped) {
        ::munmap(const_cast<void*>(mapped), static_cast<size_t>(size));
    });
    return JetImage{QByteArray::fromRawData(static_cast<const char*>(start), size),
                    std::move(owner)};
}

// The whole file at once: libmdb then parses exactly the bytes that were checked, and reads
// pages from memory instead of seeking and reading the file for each one.
JetImage readDatabaseFile(int fd, const QString& shown) {
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        fail(u"Cannot open database '%1': not a regular file"_s.arg(shown));
    }
    // Jet 4.0 files end at 2 GB.
    if (info.st_size > (off_t{1} << 31)) {
        fail(u"'%1' is not a Jet 4.0 database"_s.arg(shown));
    }
    if (info.st_size > 0 && onlyOwnerMayWrite(info)) {
        if (std::optional<JetImage> mapped = mapDatabaseFile(fd, info.st_size)) {
            return std::move(*mapped);
        }
    }
    QByteArray bytes(static_cast<qsizetype>(info.st_size), Qt::Uninitialized);
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t got =
            ::pread(fd, bytes.data() + done, static_cast<size_t>(bytes.size() - done),
                    static_cast<off_t>(done));
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            const int error = got < 0 ? errno : EIO;
            fail(u"Cannot read database '%1': %2"_s.arg(shown, systemText(error)));
        }
        done += got;
    }
    return {std::move(bytes), nullptr};
}

// libmdb would crash or loop on files that are not whole Jet 4.0 databases, so the header page
// and the length are checked before it sees the file.
void checkDatabaseImage(const QByteArray& bytes, const QString& shown) {
    static constexpr char kMagic[] = "\x00\x01\x00\x00Standard Jet DB";
    const auto headerSize = static_cast<qsizetype>(sizeof kMagic);
    const bool jetHeader = bytes.size() > 0x14 &&
                           std::memcmp(bytes.constData(), kMagic, sizeof kMagic) == 0 &&
                           bytes[0x14] == 0x01;
    if (!jetHeader) {
        const bool cutHeader =
            !bytes.isEmpty() && bytes.size() <= headerSize &&
            std::memcmp(bytes.constData(), kMagic, static_cast<size_t>(bytes.size())) == 0;
        fail(cutHeader ? u"Database '%1' is truncated"_s.arg(shown)
                       : u"'%1' is not a Jet 4.0 database"_s.arg(shown));
    }
    // The catalog's table definition lives on page 2, so a database has at least three pages.
    if (bytes.size() % kPageSize != 0 || bytes.size() < 3 * kPageSize) {
        fail(u"Database '%1' is truncated"_s.arg(shown));
    }
}

} // namespace

JetImage readJetImage(int fd, const QString& shownPath) {
    JetImage image = readDatabaseFile(fd, shownPath);
    checkDatabaseImage(image.bytes, shownPath);
    return image;
}

JetImage readJetImage(const QString& path, const QString& shownPath) {
    const posix::UniqueFd file(
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (!file.valid()) {
        const int error = errno;
        fail(u"Cannot open database '%1': %2"_s.arg(shownPath, systemText(error)));
    }
    return readJetImage(file.get(), shownPath);
}

} // namespace db
