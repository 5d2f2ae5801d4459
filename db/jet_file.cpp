#include "db/jet_file.h"

#include "db/database_error.h"
#include "db/jet_image.h"

#include <QtEndian>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <vector>

// mdbtools.h wraps glib in extern "C"; glib must come first in C++.
#include <glib.h>

#include <mdbtools.h>

using namespace Qt::Literals::StringLiterals;

namespace db {
namespace {

// libmdb hands every value over through a buffer of the handle's bind size, cutting longer ones
// short; a memo gets a fresh buffer of that size for each row, so keep it small at first.
constexpr size_t kFirstBindSize = size_t{1} << 16;
constexpr size_t kLastBindSize = size_t{1} << 24;
// Row offsets on a 4096-byte page carry flag bits above these.
constexpr int kRowOffsetMask = 0x1fff;

[[noreturn]] void fail(const QString& text) {
    throw DatabaseError(text.toStdString());
}

struct TableDefDeleter {
    void operator()(MdbTableDef* table) const { mdb_free_tabledef(table); }
};
using TableDefPtr = std::unique_ptr<MdbTableDef, TableDefDeleter>;

QVariant valueOf(JetType type, const char* text, int length) {
    const QByteArray bytes = QByteArray::fromRawData(text, length);
    switch (type) {
    case JetType::Byte:
    case JetType::Integer:
    case JetType::LongInteger:
        return bytes.toLongLong();
    case JetType::Boolean:
        return bytes != "0";
    case JetType::Float:
    case JetType::Double:
        return bytes.toDouble();
    default:
        return QString::fromUtf8(text, length);
    }
}

// Text and memo values are stored as UTF-16LE, or, when they start with the FF FE mark, in
// runs that a zero byte switches between one byte (high byte zero) and two bytes per unit.
// libmdb would render them to UTF-8 through iconv, one value at a time, only for the engine to
// decode them again; taking the stored units directly keeps the first read of a table fast.
QString textOf(const char* bytes, qsizetype size) {
    const auto* data = reinterpret_cast<const unsigned char*>(bytes);
    if (size < 2 || data[0] != 0xff || data[1] != 0xfe) {
        QString text(size / 2, Qt::Uninitialized);
        qFromLittleEndian<char16_t>(bytes, size / 2, text.data());
        return text;
    }
    QString text(size - 2, Qt::Uninitialized);
    QChar* out = text.data();
    bool oneByte = true;
    for (qsizetype i = 2; i < size;) {
        if (data[i] == 0) {
            oneByte = !oneByte;
            ++i;
        } else if (oneByte) {
            *out++ = QChar(static_cast<char16_t>(data[i]));
            ++i;
        } else if (i + 1 < size) {
            *out++ = QChar(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));
            i += 2;
        } else {
            break;
        }
    }
    text.truncate(out - text.constData());
    return text;
}

// A table's definition and columns. libmdb walks the table's usage map to find its data pages
// without checking it: an empty map is a null pointer to it, and an inline map shorter than its
// 5-byte head makes it scan far past the map.
TableDefPtr readDefinition(MdbCatalogEntry* entry, const QString& damaged) {
    TableDefPtr table(mdb_read_table(entry));
    if (!table || mdb_read_columns(table.get()) == nullptr) {
        fail(damaged);
    }
    const auto* map = static_cast<const unsigned char*>(table->usage_map);
    const bool inlineMap = map != nullptr && map[0] == 0 && table->map_sz >= 5;
    const bool referenceMap = map != nullptr && map[0] == 1;
    if (!inlineMap && !referenceMap) {
        fail(damaged);
    }
    return table;
}

// A long value (OLE or memo) whose 12-byte head is `head`, chunk by chunk through `chunk`,
// which the column is bound to meanwhile. libmdb's own full read follows the chain of
// long-value rows without end when a damaged chain loops; this read stops once the chunks
// exceed the length the row states.
QByteArray readLongValue(MdbHandle* mdb, MdbColumn* column, const char* head, char* chunk,
                         size_t chunkSize, const QString& damaged) {
    std::array<char, MDB_MEMO_OVERHEAD> header{};
    std::memcpy(header.data(), head, header.size());
    const auto statedLength = static_cast<qsizetype>(mdb_get_int32(header.data(), 0) & 0x00FFFFFF);
    void* bound = column->bind_ptr;
    column->bind_ptr = chunk;
    QByteArray bytes;
    size_t length = mdb_ole_read(mdb, column, header.data(), chunkSize);
    while (length > 0 && bytes.size() <= statedLength) {
        bytes.append(chunk, static_cast<qsizetype>(length));
        length = mdb_ole_read_next(mdb, column, header.data());
    }
    column->bind_ptr = bound;
    if (bytes.size() > statedLength) {
        fail(damaged);
    }
    return bytes;
}

bool isText(JetType type) {
    return type == JetType::Text || type == JetType::Memo;
}

// Reads every row of the table, or nothing when a value fills its `bindSize` buffer and so may
// have been cut short.
std::optional<JetTable> readRows(MdbCatalogEntry* entry, size_t bindSize, const QString& shown) {
    MdbHandle* mdb = entry->mdb;
    const QString cannotRead = u"Cannot read table '%1' of database '%2'"_s.arg(
        QString::fromUtf8(entry->object_name), shown);
    const TableDefPtr table = readDefinition(entry, cannotRead);
    mdb_set_bind_size(mdb, bindSize);

    JetTable result;
    result.name = QString::fromUtf8(entry->object_name);
    const auto columnCount = static_cast<int>(table->num_cols);
    std::vector<std::unique_ptr<char[]>> buffers;
    std::vector<int> lengths(static_cast<size_t>(columnCount));
    std::vector<MdbColumn*> columns;
    for (int i = 0; i < columnCount; ++i) {
        auto* column =
            static_cast<MdbColumn*>(g_ptr_array_index(table->columns, static_cast<guint>(i)));
        columns.push_back(column);
        result.columns.append({QString::fromUtf8(column->name), JetType(column->col_type)});
        buffers.push_back(std::make_unique_for_overwrite<char[]>(bindSize));
        // Text is taken from the cracked row, so libmdb need not render it.
        if (!isText(result.columns.back().type)) {
            mdb_bind_column(table.get(), i + 1, buffers.back().get(),
                            &lengths[static_cast<size_t>(i)]);
        }
    }

    std::vector<MdbField> fields(static_cast<size_t>(columnCount));
    mdb_rewind_table(table.get());
    while (mdb_fetch_row(table.get()) != 0) {
        // NULL and empty text look alike once rendered; the cracked row's null flags tell them
        // apart, and it holds the stored text.
        int rowStart = 0;
        size_t rowSize = 0;
        if (mdb_find_row(mdb, static_cast<int>(table->cur_row) - 1, &rowStart, &rowSize) != 0 ||
            mdb_crack_row(table.get(), rowStart & kRowOffsetMask, rowSize, fields.data()) !=
                columnCount) {
            fail(cannotRead);
        }
        QVariantList row;
        row.reserve(columnCount);
        for (int i = 0; i < columnCount; ++i) {
            const auto index = static_cast<size_t>(i);
            const MdbField& field = fields[index];
            const JetType type = result.columns[i].type;
            if (type != JetType::Boolean && field.is_null != 0) {
                row.append(QVariant());
            } else if (type == JetType::Text) {
                row.append(textOf(static_cast<const char*>(field.value), std::max(field.siz, 0)));
            } else if (type == JetType::Memo) {
                const QByteArray stored =
                    field.siz < MDB_MEMO_OVERHEAD
                        ? QByteArray()
                        : readLongValue(mdb, columns[index], static_cast<const char*>(field.value),
                                        buffers[index].get(), bindSize, cannotRead);
                row.append(textOf(stored.constData(), stored.size()));
            } else if (type == JetType::Ole) {
                row.append(readLongValue(mdb, columns[index],
                                         static_cast<const char*>(columns[index]->bind_ptr),
                                         buffers[index].get(), bindSize, cannotRead));
            } else if (static_cast<size_t>(lengths[index]) >= bindSize - 1) {
                return std::nullopt;
            } else {
                row.append(valueOf(type, buffers[index].get(), lengths[index]));
            }
        }
        result.rows.append(std::move(row));
    }
    return result;
}

// The tables that MSysObjects lists. libmdb's own catalog reader also decodes every object's
// property blob, and loops without end, allocating, on a damaged one; the engine needs only
// each table's name and definition page, so it reads just those columns.
std::vector<std::unique_ptr<MdbCatalogEntry>> readCatalog(MdbHandle* mdb, const QString& shown) {
    MdbCatalogEntry objects{};
    objects.mdb = mdb;
    objects.object_type = MDB_TABLE;
    objects.table_pg = 2;
    std::snprintf(objects.object_name, sizeof objects.object_name, "MSysObjects");
    const TableDefPtr table =
        readDefinition(&objects, u"Cannot read the catalog of database '%1'"_s.arg(shown));
    constexpr std::array kColumns = {"Id", "Name", "Type", "Flags"};
    std::array<std::vector<char>, kColumns.size()> values;
    for (size_t i = 0; i < kColumns.size(); ++i) {
        values[i].resize(mdb->bind_size);
        if (mdb_bind_column_by_name(table.get(), const_cast<char*>(kColumns[i]), values[i].data(),
                                    nullptr) < 0) {
            fail(u"Cannot read the catalog of database '%1'"_s.arg(shown));
        }
    }
    std::vector<std::unique_ptr<MdbCatalogEntry>> tables;
    mdb_rewind_table(table.get());
    while (mdb_fetch_row(table.get()) != 0) {
        if ((std::atoi(values[2].data()) & 0x7F) != MDB_TABLE) {
            continue;
        }
        auto entry = std::make_unique<MdbCatalogEntry>();
        entry->mdb = mdb;
        std::snprintf(entry->object_name, sizeof entry->object_name, "%s", values[1].data());
        entry->object_type = MDB_TABLE;
        entry->table_pg = static_cast<unsigned long>(std::atol(values[0].data()) & 0x00FFFFFF);
        entry->flags = static_cast<int>(std::atol(values[3].data()));
        tables.push_back(std::move(entry));
    }
    return tables;
}

} // namespace

struct JetFile::Handle {
    QByteArray image; // the file's bytes, which libmdb reads through a memory stream
    MdbHandle* mdb = nullptr;
    QString shownPath;
    std::vector<std::unique_ptr<MdbCatalogEntry>> tables;
    ~Handle() {
        if (mdb != nullptr) {
            mdb_close(mdb);
        }
    }
};

JetFile::JetFile(const QString& path, const QString& shownPath)
    : handle_(std::make_unique<Handle>()) {
    const QString shown = shownPath.isEmpty() ? path : shownPath;
    handle_->shownPath = shown;
    if (path.isEmpty()) {
        fail(u"No database file named"_s);
    }
    if (path.contains(QChar(u'\0'))) {
        fail(u"Cannot open database '%1': invalid file name"_s.arg(shown));
    }
    openImage(readJetImage(path, shown));
}

JetFile::JetFile(int fd, const QString& shownPath) : handle_(std::make_unique<Handle>()) {
    handle_->shownPath = shownPath;
    openImage(readJetImage(fd, shownPath));
}

void JetFile::openImage(QByteArray image) {
    handle_->image = std::move(image);
    // libmdb converts text to the charset named in MDBICONV; the engine wants UTF-8.
    ::unsetenv("MDBICONV");
    handle_->mdb = mdb_open_buffer(handle_->image.data(),
                                   static_cast<size_t>(handle_->image.size()), MDB_NOFLAGS);
    if (handle_->mdb == nullptr) {
        fail(u"Cannot open database '%1'"_s.arg(handle_->shownPath));
    }
    handle_->tables = readCatalog(handle_->mdb, handle_->shownPath);
}

JetFile::JetFile(JetFile&&) noexcept = default;
JetFile& JetFile::operator=(JetFile&&) noexcept = default;
JetFile::~JetFile() = default;

QStringList JetFile::tableNames() const {
    QStringList names;
    for (const auto& entry : handle_->tables) {
        if (mdb_is_system_table(entry.get()) == 0) {
            names.append(QString::fromUtf8(entry->object_name));
        }
    }
    return names;
}

JetTable JetFile::readTable(const QString& tableName) const {
    MdbCatalogEntry* entry = nullptr;
    for (const auto& candidate : handle_->tables) {
        if (entry == nullptr &&
            QString::fromUtf8(candidate->object_name).compare(tableName, Qt::CaseInsensitive) ==
                0) {
            entry = candidate.get();
        }
    }
    if (entry == nullptr) {
        fail(u"Unknown table '%1'"_s.arg(tableName));
    }
    // Most values fit the first size; a table with a longer one is read again with more room.
    for (size_t bindSize = kFirstBindSize; bindSize <= kLastBindSize; bindSize *= 16) {
        if (std::optional<JetTable> table = readRows(entry, bindSize, handle_->shownPath)) {
            return std::move(*table);
        }
    }
    fail(u"A value in table '%1' is too long to read"_s.arg(tableName));
}

JetTable readJetTable(const QString& path, const QString& tableName) {
    return JetFile(path).readTable(tableName);
}

} // namespace db
