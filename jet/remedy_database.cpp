#include "jet/remedy_database.h"

#include "jet/error.h"
#include "jet/format.h"
#include "jet/header_page.h"
#include "jet/long_value_store.h"
#include "jet/primary_key_index.h"
#include "jet/row_encoder.h"
#include "jet/row_page.h"
#include "jet/system_tables.h"
#include "jet/table_definition_page.h"
#include "jet/usage_map.h"

#include <bit>
#include <filesystem>
#include <fstream>
#include <set>

namespace jet {

namespace {

// The file's fixed pages; long values, rows and index pages follow them.
constexpr std::uint32_t kGlobalMapPage = 1;
constexpr std::uint32_t kCatalogDefinitionPage = 2;
constexpr std::uint32_t kFirstSystemDefinitionPage = 3;
const std::uint32_t kRemedyDefinitionPage =
    kFirstSystemDefinitionPage + static_cast<std::uint32_t>(otherSystemTables().size());
const std::uint32_t kUsageMapsPage = kRemedyDefinitionPage + 1;
const std::uint32_t kCatalogRowsPage = kUsageMapsPage + 1;
const std::uint32_t kFirstLongValuePage = kCatalogRowsPage + 1;

// 2016-01-22 00:00 as an OLE date: the creation date of every file, for reproducible output.
constexpr double kCreationDate = 42391.0;
constexpr std::size_t kMaxTitleLength = 255;

// Catalog containers and object types.
constexpr std::int32_t kRootContainer = 0x0F000000;
constexpr std::int32_t kTablesContainer = 0x0F000001;
constexpr std::int16_t kContainerType = 3;
constexpr std::int16_t kTableType = 1;

Bytes le(std::uint64_t value, int width) {
    Bytes out;
    appendLE(out, value, width);
    return out;
}

Bytes utf16(std::u16string_view text) {
    Bytes out;
    appendUtf16(out, text);
    return out;
}

void checkText(std::int32_t id, const char* column, std::u16string_view text) {
    auto fail = [&](const std::string& why) {
        throw Error("record " + std::to_string(id) + ": " + column + " " + why);
    };
    if (!text.empty() && text.front() == u'\uFEFF') {
        fail("starts with U+FEFF, which readers take for a compression mark");
    }
    for (char16_t unit : text) {
        if (unit >= 0xD800 && unit <= 0xDFFF) {
            fail("holds a character outside the Basic Multilingual Plane");
        }
    }
}

void checkRemedies(const std::vector<Remedy>& remedies) {
    std::set<std::int32_t> ids;
    for (const Remedy& remedy : remedies) {
        const std::string record = "record " + std::to_string(remedy.id);
        if (remedy.id <= 0) {
            throw Error(record + ": record numbers must be positive");
        }
        if (!ids.insert(remedy.id).second) {
            throw Error(record + ": record number occurs twice");
        }
        if (remedy.title.size() > kMaxTitleLength) {
            throw Error(record + ": title has " + std::to_string(remedy.title.size()) +
                        " characters, more than 255");
        }
        checkText(remedy.id, "title", remedy.title);
        if (remedy.body) {
            checkText(remedy.id, "body", *remedy.body);
        }
    }
}

std::uint32_t rowPointer(std::uint32_t page, std::uint8_t row) {
    return (page << 8) | row;
}

std::vector<std::uint32_t> pageRange(std::uint32_t first, std::size_t count) {
    std::vector<std::uint32_t> pages;
    for (std::size_t i = 0; i < count; ++i) {
        pages.push_back(first + static_cast<std::uint32_t>(i));
    }
    return pages;
}

// Collects every usage map into one page of map rows; bitmap pages of reference maps go to the
// end of the file.
class UsageMaps {
public:
    explicit UsageMaps(std::vector<Bytes>& file) : file_(file), page_(0) {}

    std::uint32_t add(const std::vector<std::uint32_t>& pages) {
        std::vector<std::uint32_t> bitmapPages =
            pageRange(static_cast<std::uint32_t>(file_.size()), bitmapPagesNeeded(pages));
        UsageMap map = encodeUsageMap(pages, bitmapPages);
        for (Bytes& page : map.bitmapPages) {
            file_.push_back(std::move(page));
        }
        if (!page_.fits(map.row.size())) {
            throw Error("too many usage maps for one page");
        }
        return rowPointer(kUsageMapsPage, page_.add(map.row));
    }
    std::uint32_t addEmpty() { return add({}); }
    const Bytes& page() const { return page_.bytes(); }

private:
    std::vector<Bytes>& file_;
    RowPage page_;
};

TableStorage emptyTableStorage(const TableDefinition& table, UsageMaps& maps,
                               const std::vector<std::uint32_t>& ownedPages) {
    TableStorage storage;
    storage.ownedPagesMap = maps.add(ownedPages);
    storage.freeSpaceMap = maps.addEmpty();
    for (const ColumnDefinition* column : table.columnsByNumber()) {
        if (column->isLongValue()) {
            storage.longValueMaps.push_back({column->number, maps.addEmpty(), maps.addEmpty()});
        }
    }
    return storage;
}

Bytes catalogRow(std::int32_t id, std::int32_t parent, std::u16string_view name, std::int16_t type,
                 std::uint32_t flags) {
    const TableDefinition& catalog = catalogTable();
    std::vector<FieldValue> fields(catalog.columns.size());
    const Bytes date = le(std::bit_cast<std::uint64_t>(kCreationDate), 8);
    fields[0] = le(static_cast<std::uint32_t>(id), 4);
    fields[1] = le(static_cast<std::uint32_t>(parent), 4);
    fields[2] = utf16(name);
    fields[3] = le(static_cast<std::uint16_t>(type), 2);
    fields[4] = date;
    fields[5] = date;
    fields[7] = le(flags, 4);
    return encodeRow(catalog, fields);
}

Bytes catalogRowsPage() {
    RowPage page(kCatalogDefinitionPage);
    const std::u16string containers[] = {u"Tables", u"Databases", u"Relationships"};
    for (std::size_t i = 0; i < std::size(containers); ++i) {
        page.add(catalogRow(kRootContainer + 1 + static_cast<std::int32_t>(i), kRootContainer,
                            containers[i], kContainerType, kJetSystemObject));
    }
    page.add(catalogRow(kCatalogDefinitionPage, kTablesContainer, catalogTable().name, kTableType,
                        kJetSystemObject));
    std::uint32_t definitionPage = kFirstSystemDefinitionPage;
    for (const SystemTable& table : otherSystemTables()) {
        page.add(catalogRow(static_cast<std::int32_t>(definitionPage++), kTablesContainer,
                            table.definition.name, kTableType, table.catalogFlags));
    }
    page.add(catalogRow(static_cast<std::int32_t>(kRemedyDefinitionPage), kTablesContainer,
                        remedyTable().name, kTableType, 0));
    return page.bytes();
}

// The global usage map page: Access keeps its two map rows here; the file has no free pages.
Bytes globalMapPage() {
    RowPage page(kGlobalMapPage);
    const UsageMap empty = encodeUsageMap({}, {});
    page.add(empty.row);
    page.add(empty.row);
    return page.bytes();
}

} // namespace

const TableDefinition& remedyTable() {
    using namespace column_flag;
    static const TableDefinition table{
        u"data",
        false,
        {
            {u"编号", ColumnType::LongInteger, 0, kFixedLength | kNullable | kAutonumber, 4},
            {u"标题", ColumnType::Text, 1, kNullable, 2 * kMaxTitleLength},
            {u"内容", ColumnType::Memo, 2, kNullable, 0},
        },
        PrimaryKeyDefinition{u"PrimaryKey", 0},
    };
    return table;
}

Bytes writeRemedyDatabase(const std::vector<Remedy>& remedies) {
    checkRemedies(remedies);
    const TableDefinition& table = remedyTable();

    LongValueStore longValues(kFirstLongValuePage);
    std::vector<Bytes> rows;
    for (const Remedy& remedy : remedies) {
        std::vector<FieldValue> fields(table.columns.size());
        fields[0] = le(static_cast<std::uint32_t>(remedy.id), 4);
        fields[1] = utf16(remedy.title);
        if (remedy.body) {
            fields[2] = longValues.memoField(utf16(*remedy.body));
        }
        rows.push_back(encodeRow(table, fields));
    }

    std::vector<Bytes> file(kFirstLongValuePage);
    for (const RowPage& page : longValues.pages()) {
        file.push_back(page.bytes());
    }

    const auto firstDataPage = static_cast<std::uint32_t>(file.size());
    std::vector<RowPage> dataPages;
    std::vector<IndexedRow> indexed;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (dataPages.empty() || !dataPages.back().fits(rows[i].size())) {
            dataPages.emplace_back(kRemedyDefinitionPage);
        }
        const auto page = firstDataPage + static_cast<std::uint32_t>(dataPages.size() - 1);
        indexed.push_back({remedies[i].id, rowPointer(page, dataPages.back().add(rows[i]))});
    }
    for (const RowPage& page : dataPages) {
        file.push_back(page.bytes());
    }

    const auto firstIndexPage = static_cast<std::uint32_t>(file.size());
    IndexPages index = buildPrimaryKeyIndex(indexed, firstIndexPage, kRemedyDefinitionPage);
    const std::size_t indexPageCount = index.pages.size();
    for (Bytes& page : index.pages) {
        file.push_back(std::move(page));
    }

    // A reference map names at most 17 bitmap pages; beyond them no map could list a page.
    if (file.size() >= std::size_t(format::kReferenceMapSlots) * format::kMapPagePages) {
        throw Error("the remedies do not fit into one Jet 4.0 database");
    }
    UsageMaps maps(file);
    file[kCatalogDefinitionPage] = encodeTableDefinitionPage(
        catalogTable(), emptyTableStorage(catalogTable(), maps, {kCatalogRowsPage}),
        kSortOrderChinesePrc);
    std::uint32_t definitionPage = kFirstSystemDefinitionPage;
    for (const SystemTable& system : otherSystemTables()) {
        file[definitionPage++] = encodeTableDefinitionPage(
            system.definition, emptyTableStorage(system.definition, maps, {}),
            kSortOrderChinesePrc);
    }

    TableStorage storage;
    storage.rowCount = static_cast<std::uint32_t>(remedies.size());
    for (const Remedy& remedy : remedies) {
        storage.lastAutonumber =
            std::max(storage.lastAutonumber, static_cast<std::uint32_t>(remedy.id));
    }
    storage.ownedPagesMap = maps.add(pageRange(firstDataPage, dataPages.size()));
    // Pages that can take one more row of the smallest kind, where an engine inserts first.
    const std::size_t smallestRow = encodeRow(table, {le(0, 4), std::nullopt, std::nullopt}).size();
    std::vector<std::uint32_t> pagesWithRoom;
    for (std::size_t i = 0; i < dataPages.size(); ++i) {
        if (dataPages[i].fits(smallestRow)) {
            pagesWithRoom.push_back(firstDataPage + static_cast<std::uint32_t>(i));
        }
    }
    storage.freeSpaceMap = maps.add(pagesWithRoom);
    storage.longValueMaps.push_back({2, maps.add(longValues.pageNumbers()), maps.addEmpty()});
    storage.primaryKey =
        TableStorage::Index{maps.add(pageRange(firstIndexPage, indexPageCount)), index.rootPage};
    file[kRemedyDefinitionPage] = encodeTableDefinitionPage(table, storage, kSortOrderChinesePrc);

    file[0] = encodeHeaderPage(kCreationDate, kSortOrderChinesePrc);
    file[kGlobalMapPage] = globalMapPage();
    file[kUsageMapsPage] = maps.page();
    file[kCatalogRowsPage] = catalogRowsPage();

    Bytes out;
    out.reserve(file.size() * format::kPageSize);
    for (const Bytes& page : file) {
        out.insert(out.end(), page.begin(), page.end());
    }
    return out;
}

void writeRemedyDatabaseFile(const std::vector<Remedy>& remedies, const std::string& path) {
    const Bytes bytes = writeRemedyDatabase(remedies);
    const std::filesystem::path target(path);
    std::filesystem::path temporary = target;
    temporary += ".partial";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        out.close();
        if (!out) {
            std::error_code ignored;
            std::filesystem::remove(temporary, ignored);
            throw Error("cannot write " + path);
        }
    }
    std::error_code error;
    std::filesystem::rename(temporary, target, error);
    if (error) {
        std::filesystem::remove(temporary, error);
        throw Error("cannot write " + path);
    }
}

} // namespace jet
