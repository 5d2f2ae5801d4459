#include "db/jet_file.h"

#include "db/database_error.h"
#include "db/decode_budget.h"
#include "db/jet_image.h"
#include "db/table_pages.h"

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

// libmdb hands every bound value over as text through a buffer of the handle's bind size,
// cutting longer ones short; text and long values are taken from the cracked row instead.
constexpr size_t kFirstBindSize = size_t{1} << 16;
constexpr size_t kLastBindSize = size_t{1} << 24;
// Room made ahead for the cells of a table, at most: the row count comes from the file, which
// may overstate it, so it only spares regrowing the columns of tables up to this size.
constexpr size_t kMostCellsReserved = size_t{1} << 18;
// Row offsets on a 4096-byte page carry flag bits above these.
constexpr int kRowOffsetMask = 0x1fff;
constexpr int kDeletedRow = 0x4000;
constexpr qsizetype kPageSize = 4096;
constexpr unsigned char kDefinitionPage = 0x02;
constexpr qsizetype kContinuationHead = 8;

[[noreturn]] void fail(const QString& text) {
    throw DatabaseError(text.toStdString());
}

// libmdb hands names and values over in the charset that the environment's MDBICONV names, read
// when it opens a file; the engine wants UTF-8 whatever the user's environment says. The handle's
// converters are replaced instead of the variable: the environment is the whole process's.
void convertTextToUtf8(MdbHandle* mdb, const QString& shown) {
    mdb_iconv_close(mdb);
    mdb->iconv_in = iconv_open("UTF-8", "UCS-2LE");
    mdb->iconv_out = iconv_open("UCS-2LE", "UTF-8");
    if (mdb->iconv_in == reinterpret_cast<iconv_t>(-1) ||
        mdb->iconv_out == reinterpret_cast<iconv_t>(-1)) {
        fail(u"Cannot open database '%1': no UTF-8 conversion"_s.arg(shown));
    }
}

struct TableDefDeleter {
    void operator()(MdbTableDef* table) const { mdb_free_tabledef(table); }
};
using TableDefPtr = std::unique_ptr<MdbTableDef, TableDefDeleter>;

bool isInteger(JetType type) {
    return type == JetType::Byte || type == JetType::Integer || type == JetType::LongInteger;
}

// An integer cell, straight from the cracked row (libmdb would print it for the engine to parse
// again), or nothing when the field does not have the type's size.
std::optional<qint64> integerOf(JetType type, const MdbField& field) {
    const auto* bytes = static_cast<const unsigned char*>(field.value);
    if (type == JetType::Byte && field.siz == 1) {
        return bytes[0];
    }
    if (type == JetType::Integer && field.siz == 2) {
        return qFromLittleEndian<qint16>(bytes);
    }
    if (type == JetType::LongInteger && field.siz == 4) {
        return qFromLittleEndian<qint32>(bytes);
    }
    return std::nullopt;
}

// A value that libmdb rendered as text.
QVariant valueOf(JetType type, const char* text, int length) {
    const QByteArray bytes = QByteArray::fromRawData(text, length);
    switch (type) {
    case JetType::Boolean:
        return bytes != "0";
    case JetType::Float:
    case JetType::Double:
        return bytes.toDouble();
    default:
        return QString::fromUtf8(text, length);
    }
}

// A column type of Jet 4.0: libmdb renders any other one as "" with a warning on standard error.
bool isKnownType(int type) {
    switch (JetType(type)) {
    case JetType::Boolean:
    case JetType::Byte:
    case JetType::Integer:
    case JetType::LongInteger:
    case JetType::Money:
    case JetType::Float:
    case JetType::Double:
    case JetType::DateTime:
    case JetType::Binary:
    case JetType::Text:
    case JetType::Ole:
    case JetType::Memo:
    case JetType::ReplicationId:
    case JetType::Numeric:
        return true;
    }
    return false;
}

// The table's layout as checkedDataPages() wants it.
TableLayout layoutOf(MdbTableDef* table) {
    TableLayout layout;
    layout.definitionPage = static_cast<std::uint32_t>(table->entry->table_pg);
    layout.usageMap = QByteArray(reinterpret_cast<const char*>(table->usage_map),
                                 static_cast<qsizetype>(table->map_sz));
    layout.hasVariableColumns = table->num_var_cols > 0;
    layout.rowCount = table->num_rows;
    for (guint i = 0; i < table->num_cols; ++i) {
        const auto* column = static_cast<MdbColumn*>(g_ptr_array_index(table->columns, i));
        layout.columns.push_back(
            {column->col_num, column->is_fixed != 0, column->fixed_offset, column->col_size});
    }
    return layout;
}

// A table's definition and columns, and the data pages it reads from, every page and row on
// them checked (checkedDataPages): libmdb skips a row or page it cannot read with a word on
// standard error, which would make a damaged table read as a shorter one. libmdb also walks the
// usage map without checking it: an empty map is a null pointer to it.
struct CheckedTable {
    TableDefPtr table;
    std::vector<std::uint32_t> pages;
};

// What libmdb would complain about on standard error when reading the definition at
// `entry`: a definition page that is none, a continuation page or a map's row outside the file
// or not on its page, column entries or names running past the last page. Nothing when there is
// none of that.
QString definitionFault(MdbCatalogEntry* entry, std::uint32_t pageCount) {
    MdbHandle* mdb = entry->mdb;
    const MdbFormatConstants& format = *mdb->fmt;
    // The definition as libmdb reads it on: the first page whole, each further one after its
    // 8-byte head. The chain ends at a next page of 0; the first is never page 0.
    QByteArray definition;
    auto page = static_cast<std::uint32_t>(entry->table_pg);
    for (std::uint32_t pages = 0; pages == 0 || page != 0; ++pages) {
        if (page >= pageCount || pages >= pageCount || mdb_read_pg(mdb, page) != kPageSize ||
            mdb->pg_buf[0] != kDefinitionPage) {
            return u"its definition page %1 is no table definition"_s.arg(page);
        }
        const qsizetype head = pages == 0 ? 0 : kContinuationHead;
        definition.append(reinterpret_cast<const char*>(mdb->pg_buf) + head, kPageSize - head);
        page = static_cast<std::uint32_t>(mdb_get_int32(mdb->pg_buf, 4));
    }
    char* bytes = definition.data();
    // The maps' rows, as page << 8 | row; libmdb copies the usage map, which must not be empty
    // (it would follow a null map).
    const std::array maps = {std::pair{format.tab_usage_map_offset, u"page map"_s},
                             std::pair{format.tab_free_map_offset, u"free-space map"_s}};
    for (const auto& [offset, name] : maps) {
        const auto pointer = static_cast<std::uint32_t>(mdb_get_int32(bytes, offset));
        const std::uint32_t mapPage = pointer >> 8;
        if (mapPage >= pageCount) {
            return u"its %1 lies on page %2, past the end of the file"_s.arg(name).arg(mapPage);
        }
        mdb_read_pg(mdb, mapPage);
        const std::optional<int> size = mapRowSize(mdb->pg_buf, static_cast<int>(pointer & 0xff));
        if (!size) {
            return u"its %1 is no row of page %2"_s.arg(name).arg(mapPage);
        }
        if (offset == format.tab_usage_map_offset && *size == 0) {
            return u"it has no page map"_s;
        }
    }
    // The columns' entries, then each column's name after its 2-byte length.
    const int columns = mdb_get_int16(bytes, format.tab_num_cols_offset);
    qint64 at =
        format.tab_cols_start_offset +
        qint64{mdb_get_int32(bytes, format.tab_num_ridxs_offset)} * format.tab_ridx_entry_size +
        qint64{columns} * format.tab_col_entry_size;
    if (at > definition.size()) {
        return u"its definition is cut short"_s;
    }
    for (int column = 0; column < columns; ++column) {
        if (at + 2 > definition.size()) {
            return u"its column names run past its definition"_s;
        }
        at += 2 + mdb_get_int16(bytes, static_cast<int>(at));
        if (at > definition.size()) {
            return u"its column names run past its definition"_s;
        }
    }
    return {};
}

CheckedTable readDefinition(MdbCatalogEntry* entry, qsizetype fileSize, const QString& damaged) {
    MdbHandle* mdb = entry->mdb;
    const auto pageCount = static_cast<std::uint32_t>(fileSize / kPageSize);
    if (const QString fault = definitionFault(entry, pageCount); !fault.isEmpty()) {
        fail(damaged + u": "_s + fault);
    }
    TableDefPtr table(mdb_read_table(entry));
    if (!table || mdb_read_columns(table.get()) == nullptr) {
        fail(damaged);
    }
    for (guint i = 0; i < table->num_cols; ++i) {
        const auto* column = static_cast<MdbColumn*>(g_ptr_array_index(table->columns, i));
        if (!isKnownType(column->col_type)) {
            fail(damaged + u": column %1 is of the unknown type %2"_s.arg(i).arg(column->col_type));
        }
        // libmdb hands a decimal value over as empty text: the column would read as empty.
        if (JetType(column->col_type) == JetType::Numeric) {
            fail(damaged +
                 u": column %1 is of the type Numeric, which the engine cannot read"_s.arg(i));
        }
    }
    std::vector<std::uint32_t> pages = checkedDataPages(
        layoutOf(table.get()), pageCount,
        [mdb](std::uint32_t page) {
            mdb_read_pg(mdb, page);
            return static_cast<const unsigned char*>(mdb->pg_buf);
        },
        damaged);
    return {std::move(table), std::move(pages)};
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

// Calls `visit` for each row of the table in storage order, its fields cracked into `fields`,
// until it returns false. The scan of libmdb's mdb_fetch_row (deleted rows skipped) over the
// checked pages, without rendering bound values of each row and cracking it a second time.
template <typename Visit>
void forEachRow(const CheckedTable& checked, std::vector<MdbField>& fields,
                const QString& cannotRead, Visit visit) {
    MdbTableDef* table = checked.table.get();
    MdbHandle* mdb = table->entry->mdb;
    for (const std::uint32_t page : checked.pages) {
        if (mdb_read_pg(mdb, page) != kPageSize) {
            fail(cannotRead);
        }
        table->cur_phys_pg = page;
        const int rows = mdb_get_int16(mdb->pg_buf, mdb->fmt->row_count_offset);
        for (int row = 0; row < rows; ++row) {
            int rowStart = 0;
            size_t rowSize = 0;
            if (mdb_find_row(mdb, row, &rowStart, &rowSize) != 0) {
                fail(cannotRead);
            }
            if (rowSize == 0 || (rowStart & kDeletedRow) != 0) {
                continue;
            }
            const int cracked =
                mdb_crack_row(table, rowStart & kRowOffsetMask, rowSize, fields.data());
            if (cracked != static_cast<int>(fields.size())) {
                fail(cannotRead);
            }
            if (!visit()) {
                return;
            }
        }
    }
}

// Reads every row of the table, or nothing when a value fills its `bindSize` buffer and so may
// have been cut short. Long values are walked (and charged to `budget`) but not decoded.
std::optional<StoredTable> readRows(MdbCatalogEntry* entry, size_t bindSize, const JetImage& image,
                                    const QString& shown,
                                    const std::shared_ptr<const StoredValueReader>& values,
                                    DecodeBudget& budget) {
    MdbHandle* mdb = entry->mdb;
    const QString cannotRead = u"Cannot read table '%1' of database '%2'"_s.arg(
        QString::fromUtf8(entry->object_name), shown);
    const CheckedTable checked = readDefinition(entry, image.bytes.size(), cannotRead);
    MdbTableDef* table = checked.table.get();
    mdb_set_bind_size(mdb, bindSize);

    StoredTable result;
    result.name = QString::fromUtf8(entry->object_name);
    result.values = values;
    const auto columnCount = static_cast<int>(table->num_cols);
    std::vector<std::unique_ptr<char[]>> buffers;
    std::vector<int> lengths(static_cast<size_t>(columnCount));
    for (int i = 0; i < columnCount; ++i) {
        auto* column =
            static_cast<MdbColumn*>(g_ptr_array_index(table->columns, static_cast<guint>(i)));
        const JetColumn jetColumn{QString::fromUtf8(column->name), JetType(column->col_type)};
        result.columns.push_back({jetColumn, {}, {}, {}});
        buffers.push_back(std::make_unique_for_overwrite<char[]>(bindSize));
        // Text, integers and long values are taken from the cracked row, so libmdb need not
        // render them.
        if (!isText(jetColumn.type) && !isInteger(jetColumn.type) &&
            jetColumn.type != JetType::Ole) {
            mdb_bind_column(table, i + 1, buffers.back().get(), &lengths[static_cast<size_t>(i)]);
        }
    }

    if (columnCount > 0) {
        const size_t rows = std::min<size_t>(table->num_rows,
                                             kMostCellsReserved / static_cast<size_t>(columnCount));
        for (StoredTable::Column& column : result.columns) {
            if (StoredTable::isLong(column.column.type)) {
                column.longValues.reserve(rows);
            } else if (column.column.type == JetType::Text) {
                column.texts.reserve(rows);
            } else {
                column.values.reserve(rows);
            }
        }
    }

    std::vector<MdbField> fields(static_cast<size_t>(columnCount));
    bool complete = true;
    forEachRow(checked, fields, cannotRead, [&]() {
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
                    values->measure(value, budget);
                    column.longValues.emplace_back(std::move(value));
                }
                continue;
            }
            budget.charge(isNull ? 0 : std::max(field.siz, 0));
            if (type == JetType::Text) {
                if (isNull) {
                    column.texts.emplace_back();
                    continue;
                }
                const std::optional<StoredText> text = values->locate(
                    field.value, field.siz, mdb->pg_buf, static_cast<quint32>(table->cur_phys_pg));
                if (!text) {
                    fail(cannotRead);
                }
                column.texts.push_back(text);
            } else if (isNull) {
                column.values.emplace_back();
            } else if (isInteger(type)) {
                const std::optional<qint64> number = integerOf(type, field);
                if (!number) {
                    fail(cannotRead);
                }
                column.values.emplace_back(*number);
            } else if (static_cast<size_t>(lengths[index]) >= bindSize - 1) {
                complete = false;
                return false;
            } else {
                column.values.emplace_back(valueOf(type, buffers[index].get(), lengths[index]));
            }
        }
        ++result.rowCount;
        return true;
    });
    if (!complete) {
        return std::nullopt;
    }
    return result;
}

// The tables that MSysObjects lists. libmdb's own catalog reader also decodes every object's
// property blob, and loops without end, allocating, on a damaged one; the engine needs only
// each table's name and definition page, so it reads just those columns.
std::vector<std::unique_ptr<MdbCatalogEntry>> readCatalog(MdbHandle* mdb, const JetImage& image,
                                                          const QString& shown) {
    MdbCatalogEntry objects{};
    objects.mdb = mdb;
    objects.object_type = MDB_TABLE;
    objects.table_pg = 2;
    std::snprintf(objects.object_name, sizeof objects.object_name, "MSysObjects");
    const CheckedTable checked = readDefinition(
        &objects, image.bytes.size(), u"Cannot read the catalog of database '%1'"_s.arg(shown));
    MdbTableDef* table = checked.table.get();
    constexpr std::array kColumns = {"Id", "Name", "Type", "Flags"};
    std::array<std::vector<char>, kColumns.size()> values;
    for (size_t i = 0; i < kColumns.size(); ++i) {
        values[i].resize(mdb->bind_size);
        if (mdb_bind_column_by_name(table, const_cast<char*>(kColumns[i]), values[i].data(),
                                    nullptr) < 0) {
            fail(u"Cannot read the catalog of database '%1'"_s.arg(shown));
        }
    }
    std::vector<std::unique_ptr<MdbCatalogEntry>> tables;
    mdb_rewind_table(table);
    while (mdb_fetch_row(table) != 0) {
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
    JetImage image; // the file's bytes, which libmdb reads through a memory stream
    MdbHandle* mdb = nullptr;
    QString shownPath;
    std::vector<std::unique_ptr<MdbCatalogEntry>> tables;
    std::shared_ptr<const StoredValueReader> values;
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
    openImage(readJetImage(path, shown));
}

JetFile::JetFile(int fd, const QString& shownPath) : handle_(std::make_unique<Handle>()) {
    handle_->shownPath = shownPath;
    openImage(readJetImage(fd, shownPath));
}

void JetFile::openImage(JetImage image) {
    handle_->image = std::move(image);
    // Through constData(): data() would copy an image that lies over a mapped file. libmdb only
    // reads the buffer; a mapped one is private all the same.
    const QByteArray& bytes = handle_->image.bytes;
    handle_->mdb = mdb_open_buffer(const_cast<char*>(bytes.constData()),
                                   static_cast<size_t>(bytes.size()), MDB_NOFLAGS);
    if (handle_->mdb == nullptr) {
        fail(u"Cannot open database '%1'"_s.arg(handle_->shownPath));
    }
    convertTextToUtf8(handle_->mdb, handle_->shownPath);
    handle_->tables = readCatalog(handle_->mdb, handle_->image, handle_->shownPath);
    handle_->values = std::make_shared<const StoredValueReader>(
        handle_->image, handle_->mdb->f->db_key,
        u"A long value in database '%1' is damaged"_s.arg(handle_->shownPath));
    handle_->budget.emplace(handle_->image.bytes.size(), handle_->shownPath);
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
            table = readRows(entry, bindSize, handle_->image, handle_->shownPath, handle_->values,
                             budget);
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
