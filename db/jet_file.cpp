#include "db/jet_file.h"

#include "db/database_error.h"
#include "db/decode_budget.h"
#include "db/jet_image.h"
#include "db/jet_text.h"

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

// libmdb hands every bound value over as text through a buffer of the handle's bind size,
// cutting longer ones short; text and long values are taken from the cracked row instead.
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

bool isText(JetType type) {
    return type == JetType::Text || type == JetType::Memo;
}

// Where the cracked field of a memo or OLE cell keeps its value. A field too short for the
// head holds nothing.
LongValueRef longValueOf(const MdbField& field) {
    LongValueRef value;
    if (field.siz < MDB_MEMO_OVERHEAD) {
        return value; // a zero head: a stored length of 0
    }
    const auto* bytes = static_cast<const char*>(field.value);
    std::memcpy(value.head.data(), bytes, value.head.size());
    if ((value.head[3] & 0x80) != 0) {
        value.inlineBytes = QByteArray(bytes + MDB_MEMO_OVERHEAD, field.siz - MDB_MEMO_OVERHEAD);
    }
    return value;
}

// Reads every row of the table, or nothing when a value fills its `bindSize` buffer and so may
// have been cut short. Long values are walked (and charged to `budget`) but not decoded.
std::optional<StoredTable> readRows(MdbCatalogEntry* entry, size_t bindSize, const QString& shown,
                                    const std::shared_ptr<const LongValueReader>& longValues,
                                    DecodeBudget& budget) {
    MdbHandle* mdb = entry->mdb;
    const QString cannotRead = u"Cannot read table '%1' of database '%2'"_s.arg(
        QString::fromUtf8(entry->object_name), shown);
    const TableDefPtr table = readDefinition(entry, cannotRead);
    mdb_set_bind_size(mdb, bindSize);

    StoredTable result;
    result.name = QString::fromUtf8(entry->object_name);
    result.longValues = longValues;
    const auto columnCount = static_cast<int>(table->num_cols);
    std::vector<std::unique_ptr<char[]>> buffers;
    std::vector<int> lengths(static_cast<size_t>(columnCount));
    for (int i = 0; i < columnCount; ++i) {
        auto* column =
            static_cast<MdbColumn*>(g_ptr_array_index(table->columns, static_cast<guint>(i)));
        const JetColumn jetColumn{QString::fromUtf8(column->name), JetType(column->col_type)};
        result.columns.push_back({jetColumn, {}, {}});
        buffers.push_back(std::make_unique_for_overwrite<char[]>(bindSize));
        // Text and long values are taken from the cracked row, so libmdb need not render them.
        if (!isText(jetColumn.type) && jetColumn.type != JetType::Ole) {
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
        for (size_t index = 0; index < static_cast<size_t>(columnCount); ++index) {
            const MdbField& field = fields[index];
            StoredTable::Column& column = result.columns[index];
            const JetType type = column.column.type;
            const bool isNull = type != JetType::Boolean && field.is_null != 0;
            if (StoredTable::isLong(type)) {
                if (isNull) {
                    column.longValues.emplace_back();
                } else {
                    LongValueRef value = longValueOf(field);
                    longValues->measure(value, budget);
                    column.longValues.emplace_back(std::move(value));
                }
            } else if (isNull) {
                column.values.emplace_back();
            } else if (type == JetType::Text) {
                const auto size = std::max(field.siz, 0);
                budget.charge(size);
                column.values.emplace_back(jetText(static_cast<const char*>(field.value), size));
            } else if (static_cast<size_t>(lengths[index]) >= bindSize - 1) {
                return std::nullopt;
            } else {
                budget.charge(std::max(field.siz, 0));
                column.values.emplace_back(valueOf(type, buffers[index].get(), lengths[index]));
            }
        }
        ++result.rowCount;
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
    std::shared_ptr<const LongValueReader> longValues;
    std::optional<DecodeBudget> budget;
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
    handle_->image = readJetImage(path, shown);
    // libmdb converts text to the charset named in MDBICONV; the engine wants UTF-8.
    ::unsetenv("MDBICONV");
    handle_->mdb = mdb_open_buffer(handle_->image.data(),
                                   static_cast<size_t>(handle_->image.size()), MDB_NOFLAGS);
    if (handle_->mdb == nullptr) {
        fail(u"Cannot open database '%1'"_s.arg(shown));
    }
    handle_->tables = readCatalog(handle_->mdb, shown);
    handle_->longValues = std::make_shared<const LongValueReader>(
        handle_->image, handle_->mdb->f->db_key,
        u"A long value in database '%1' is damaged"_s.arg(shown));
    handle_->budget.emplace(handle_->image.size(), shown);
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

StoredTable JetFile::readStoredTable(const QString& tableName) const {
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
    // Only the read that is kept counts against the budget.
    for (size_t bindSize = kFirstBindSize; bindSize <= kLastBindSize; bindSize *= 16) {
        DecodeBudget budget = *handle_->budget;
        std::optional<StoredTable> table;
        try {
            table = readRows(entry, bindSize, handle_->shownPath, handle_->longValues, budget);
        } catch (const DatabaseError&) {
            handle_->budget = budget;
            throw;
        }
        if (table) {
            handle_->budget = budget;
            return std::move(*table);
        }
    }
    fail(u"A value in table '%1' is too long to read"_s.arg(tableName));
}

JetTable JetFile::readTable(const QString& tableName) const {
    return readStoredTable(tableName).decoded();
}

JetTable readJetTable(const QString& path, const QString& tableName) {
    return JetFile(path).readTable(tableName);
}

} // namespace db
