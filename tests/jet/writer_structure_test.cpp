// Parses what the writer produces and checks it against the Jet 4.0 format rules and against an
// Access-made file.

#include "jet_file.h"
#include "readback_cases.h"
#include "remedy_samples.h"

#include "jet/format.h"
#include "jet/long_value_store.h"
#include "jet/remedy_database.h"
#include "jet/usage_map.h"

#include <QTest>

#include <algorithm>
#include <bit>
#include <map>
#include <set>

using namespace jetcheck;

namespace {

constexpr std::uint32_t kLval = 0x4C41564C;

std::vector<jet::Remedy> collection(const QString& name) {
    if (name == u"edge cases") {
        return jettest::edgeCases();
    }
#ifdef JET_FULL_SOURCE
    if (name == u"full collection") {
        return jettest::readSource(QStringLiteral(JET_FULL_SOURCE));
    }
#endif
    if (name == u"empty") {
        return {};
    }
    if (name == u"memo pages beyond an inline map") {
        return jettest::generatedRemedies(1200, 6, 1500); // two memos per long-value page
    }
    if (name == u"data pages beyond an inline map") {
        return jettest::generatedRemedies(4000, 255, 10); // seven rows per data page
    }
    return jettest::generatedRemedies(name.toInt(), 4, 20);
}

JetFile written(const std::vector<jet::Remedy>& remedies) {
    return JetFile(jet::writeRemedyDatabase(remedies));
}

struct Catalog {
    std::map<std::u16string, std::uint32_t> tables; // name -> definition page
    std::map<std::u16string, std::uint32_t> flags;
};

Catalog readCatalog(const JetFile& file) {
    const TableDef objects = file.tableDef(2);
    Catalog catalog;
    for (const auto& row : file.tableRows(objects)) {
        const auto field = [&](std::u16string_view name) -> const Bytes& {
            return row.at(objects.column(name).number).value();
        };
        if (le(field(u"Type"), 0, 2) == 1) {
            const std::u16string name = utf16(field(u"Name"));
            catalog.tables[name] = le(field(u"Id"), 0, 4) & 0x00FFFFFF;
            catalog.flags[name] = le(field(u"Flags"), 0, 4);
        }
    }
    return catalog;
}

TableDef remedyTableDef(const JetFile& file) {
    return file.tableDef(readCatalog(file).tables.at(u"data"));
}

} // namespace

class WriterStructureTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // An inline map's bitmap reaches 512 pages from its first one; a page beyond needs bitmap
    // pages, one per 32,736-page slot the pages fall in.
    // A memo stays in its row up to 64 bytes, takes one long-value row up to 4,076 and a chain
    // beyond: the kind in the top bits of the field's length word.
    void memoStorageAtItsLimits_data() {
        QTest::addColumn<int>("size");
        QTest::addColumn<uint>("kind");
        QTest::newRow("inline limit") << 64 << uint(jet::format::kMemoInline);
        QTest::newRow("one byte more: a row") << 65 << uint(jet::format::kMemoSingleRow);
        QTest::newRow("row limit")
            << jet::format::kMaxLongValueRowSize << uint(jet::format::kMemoSingleRow);
        QTest::newRow("one byte more: a chain") << jet::format::kMaxLongValueRowSize + 1 << 0U;
    }
    void memoStorageAtItsLimits() {
        QFETCH(int, size);
        QFETCH(uint, kind);
        jet::LongValueStore store(10);
        const jet::Bytes field = store.memoField(jet::Bytes(std::size_t(size), 0x41));
        QCOMPARE(le(field, 0, 4), std::uint32_t(kind | uint(size)));
        QCOMPARE(field.size(), std::size_t(kind == jet::format::kMemoInline ? 12 + size : 12));
        QCOMPARE(store.pages().empty(), kind == jet::format::kMemoInline);
    }

    void usageMapReachesExactlyItsBitmap_data() {
        QTest::addColumn<std::vector<std::uint32_t>>("pages");
        QTest::addColumn<int>("bitmapPages");
        constexpr std::uint32_t reach = jet::format::kInlineMapPages;
        QTest::newRow("none") << std::vector<std::uint32_t>{} << 0;
        QTest::newRow("one") << std::vector<std::uint32_t>{7} << 0;
        QTest::newRow("the last page the bitmap reaches")
            << std::vector<std::uint32_t>{7, 7 + reach - 1} << 0;
        QTest::newRow("one page beyond") << std::vector<std::uint32_t>{7, 7 + reach} << 1;
        QTest::newRow("two slots")
            << std::vector<std::uint32_t>{7, jet::format::kMapPagePages + 1u} << 2;
    }
    void usageMapReachesExactlyItsBitmap() {
        QFETCH(std::vector<std::uint32_t>, pages);
        QFETCH(int, bitmapPages);
        QCOMPARE(jet::bitmapPagesNeeded(pages), std::size_t(bitmapPages));
        if (bitmapPages > 0)
            return;
        std::vector<std::uint32_t> none;
        const jet::UsageMap map = jet::encodeUsageMap(pages, none);
        QCOMPARE(map.row.size(), std::size_t(1 + 4 + jet::format::kInlineMapBitmapBytes));
        QCOMPARE(map.row[0], std::uint8_t{0});
        std::size_t bits = 0;
        for (std::size_t at = 5; at < map.row.size(); ++at)
            bits += std::size_t(std::popcount(map.row[at]));
        QCOMPARE(bits, pages.size());
    }

    void headerIsUnmaskedToJet4WithoutPassword() {
        const Bytes bytes = jet::writeRemedyDatabase(jettest::edgeCases());
        QCOMPARE(bytes, jet::writeRemedyDatabase(jettest::edgeCases())); // reproducible
        const JetFile file(bytes);
        const Bytes header = file.unmaskedHeader();
        QCOMPARE(std::string(header.begin() + 4, header.begin() + 20),
                 std::string("Standard Jet DB\0", 16));
        QCOMPARE(header[0x14], 0x01);
        QCOMPARE(le(header, 0x3E, 4), 0u); // database key: pages not encrypted
        QCOMPARE(le(header, 0x6E, 2), 2052u);
        QCOMPARE(header[0x71], 0); // collation version
        const double created =
            std::bit_cast<double>(static_cast<std::uint64_t>(le(header, 0x72, 4)) |
                                  (static_cast<std::uint64_t>(le(header, 0x76, 4)) << 32));
        QCOMPARE(created, 42391.0);
        // The password area is only its mask (the creation day): no password.
        for (std::size_t at = 0x42; at < 0x42 + 40; at += 4) {
            QCOMPARE(le(header, at, 4), 42391u);
        }
    }

    void catalogListsTheSystemTablesAndData() {
        const JetFile file = written(jettest::edgeCases());
        const TableDef objects = file.tableDef(2);
        QCOMPARE(objects.tableType, 0x53);
        for (std::u16string_view column :
             {u"Id", u"ParentId", u"Name", u"Type", u"Flags", u"LvProp"}) {
            QVERIFY(objects.column(column).name == column);
        }
        const Catalog catalog = readCatalog(file);
        const std::set<std::u16string> expected = {
            u"MSysObjects",       u"MSysACEs",          u"MSysQueries",
            u"MSysRelationships", u"MSysAccessObjects", u"MSysAccessXML",
            u"MSysIMEXColumns",   u"MSysIMEXSpecs",     u"data"};
        std::set<std::u16string> names;
        for (const auto& [name, page] : catalog.tables) {
            names.insert(name);
            const TableDef table = file.tableDef(page); // every entry names a real definition
            QCOMPARE(table.tableType, name == u"data" ? 0x4E : 0x53);
            const bool system = (catalog.flags.at(name) & 0x80000002u) != 0;
            QCOMPARE(system, name != u"data");
        }
        QVERIFY(names == expected);
        QCOMPARE(catalog.tables.at(u"MSysObjects"), 2u);
    }

    void remedyTableDefinition() {
        const std::vector<jet::Remedy> remedies = jettest::edgeCases();
        const TableDef t = remedyTableDef(written(remedies));
        QCOMPARE(t.rowCount, std::uint32_t(remedies.size()));
        QCOMPARE(t.lastAutonumber, 10u); // the largest number in the source
        QCOMPARE(t.indexRowCount, std::uint32_t(remedies.size()));
        QCOMPARE(t.columns.size(), std::size_t(3));

        struct Expected {
            std::u16string name;
            std::uint8_t type, flags;
            std::uint16_t number, length;
        };
        const Expected expected[] = {
            {u"编号", 4, 0x07, 0, 4}, {u"标题", 10, 0x02, 1, 510}, {u"内容", 12, 0x02, 2, 0}};
        for (const Expected& e : expected) {
            const Column& c = t.column(e.name);
            QCOMPARE(c.type, e.type);
            QCOMPARE(c.flags, e.flags);
            QCOMPARE(c.number, e.number);
            QCOMPARE(c.length, e.length);
            QCOMPARE(c.sortOrder, 2052);
            QCOMPARE(c.sortVersion, 0);
            QCOMPARE(c.extendedFlags, 0); // no Unicode compression
        }
        QCOMPARE(t.column(u"标题").variableIndex, 0);
        QCOMPARE(t.column(u"内容").variableIndex, 1);

        QCOMPARE(t.realIndexes.size(), std::size_t(1));
        QCOMPARE(t.logicalIndexes.size(), std::size_t(1));
        QVERIFY(t.realIndexes[0].columnNumbers == std::vector<std::uint16_t>{0});
        QCOMPARE(t.realIndexes[0].flags, 0x89); // unique, required
        QVERIFY(t.logicalIndexes[0].name == u"PrimaryKey");
        QCOMPARE(t.logicalIndexes[0].indexType, 1); // primary key
        QCOMPARE(t.longValueMaps.size(), std::size_t(1));
        QCOMPARE(t.longValueMaps[0].columnNumber, 2);
    }

    void rowsComeBackInStorageOrder() {
        const std::vector<jet::Remedy> remedies = jettest::edgeCases();
        const JetFile file = written(remedies);
        const TableDef t = remedyTableDef(file);
        const auto rows = file.tableRows(t);
        QCOMPARE(rows.size(), remedies.size());
        std::set<MemoStorage> storages;
        for (std::size_t i = 0; i < rows.size(); ++i) {
            QCOMPARE(std::int32_t(le(rows[i][0].value(), 0, 4)), remedies[i].id);
            QVERIFY(utf16(rows[i][1].value()) == remedies[i].title);
            QCOMPARE(rows[i][2].has_value(), remedies[i].body.has_value());
            if (remedies[i].body) {
                MemoStorage storage{};
                QVERIFY(utf16(file.memoValue(*rows[i][2], &storage)) == *remedies[i].body);
                storages.insert(storage);
            }
        }
        const std::set<MemoStorage> all = {MemoStorage::Inline, MemoStorage::SingleRow,
                                           MemoStorage::Chain};
        QVERIFY(storages == all); // the fixture exercises every way of storing a memo
    }

    void everyPageHasExactlyOneOwner_data() {
        QTest::addColumn<QString>("name");
        for (const char* name : {"edge cases", "empty", "memo pages beyond an inline map",
                                 "data pages beyond an inline map"}) {
            QTest::newRow(name) << QString::fromUtf8(name);
        }
#ifdef JET_FULL_SOURCE
        QTest::newRow("full collection") << QStringLiteral("full collection");
#endif
    }

    void everyPageHasExactlyOneOwner() {
        QFETCH(QString, name);
        const JetFile file = written(collection(name));
        const TableDef t = remedyTableDef(file);
        std::map<std::uint32_t, std::string> owner;
        auto claim = [&](const std::vector<std::uint32_t>& pages, const std::string& who) {
            for (std::uint32_t page : pages) {
                QVERIFY2(owner.emplace(page, who).second, who.c_str());
            }
        };
        for (const auto& [map, who] : {std::pair{t.ownedPagesMap, "rows"},
                                       std::pair{t.longValueMaps[0].ownedPagesMap, "memos"},
                                       std::pair{t.realIndexes[0].usageMap, "index"}}) {
            const std::vector<std::uint32_t> pages = file.usageMapPages(map);
            claim(pages, who);
            // An inline map reaches 512 pages from its first; farther needs a reference map.
            const bool farReaching = !pages.empty() && pages.back() - pages.front() >= 512;
            QCOMPARE(file.row(map)[0], farReaching ? 0x01 : 0x00);
        }
        // The free-space map lists exactly the data pages that can take another row of the
        // smallest kind: 15 bytes (number only) plus its offset, and fewer than 255 rows.
        std::set<std::uint32_t> withRoom;
        for (std::uint32_t page : file.usageMapPages(t.ownedPagesMap)) {
            if (le(file.page(page), 2, 2) >= 17 && le(file.page(page), 12, 2) < 255) {
                withRoom.insert(page);
            }
        }
        const std::vector<std::uint32_t> freeMap = file.usageMapPages(t.freeSpaceMap);
        QVERIFY(std::set<std::uint32_t>(freeMap.begin(), freeMap.end()) == withRoom);
        QVERIFY(file.usageMapPages(t.longValueMaps[0].freeSpaceMap).empty());
        for (const auto& [table, page] : readCatalog(file).tables) {
            if (table != u"data") {
                const TableDef system = file.tableDef(page);
                claim(file.usageMapPages(system.ownedPagesMap), "system rows");
                for (const LongValueMaps& maps : system.longValueMaps) {
                    QVERIFY(file.usageMapPages(maps.ownedPagesMap).empty());
                }
            }
        }
        for (std::uint32_t n = 0; n < file.pageCount(); ++n) {
            const auto p = file.page(n);
            const std::uint32_t pageOwner = le(p, 4, 4);
            const auto claimed = owner.find(n);
            const std::string who = claimed == owner.end() ? "" : claimed->second;
            if (p[0] == 0x01 && pageOwner == t.page) {
                QCOMPARE(who, std::string("rows"));
            } else if (p[0] == 0x01 && pageOwner == kLval) {
                QCOMPARE(who, std::string("memos"));
                QVERIFY(file.checkRowPage(n) > 0);
            } else if ((p[0] == 0x03 || p[0] == 0x04) && pageOwner == t.page) {
                QCOMPARE(who, std::string("index"));
            } else if (p[0] == 0x01 && pageOwner == 2) {
                QCOMPARE(who, std::string("system rows"));
            } else {
                QVERIFY2(who.empty(), ("unexpected owner of page " + std::to_string(n)).c_str());
            }
        }
        QCOMPARE(file.tableRows(t).size(), std::size_t(t.rowCount));
    }

    void primaryKeyIndexHoldsEveryRowOnceInOrder_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("multiLevel");
        QTest::newRow("edge cases") << QStringLiteral("edge cases") << false;
        QTest::newRow("empty table") << QStringLiteral("empty") << false;
        QTest::newRow("one full leaf") << QStringLiteral("401") << false;
        QTest::newRow("two leaves") << QStringLiteral("402") << true;
        QTest::newRow("many leaves") << QStringLiteral("8030") << true;
    }

    void primaryKeyIndexHoldsEveryRowOnceInOrder() {
        QFETCH(QString, name);
        QFETCH(bool, multiLevel);
        const std::vector<jet::Remedy> remedies = collection(name);
        const JetFile file = written(remedies);
        const TableDef t = remedyTableDef(file);
        const IndexWalk walk = file.walkIndex(t.realIndexes[0].rootPage, 5);
        QCOMPARE(walk.pages.size() > 1, multiLevel);
        const std::vector<std::uint32_t> mapped = file.usageMapPages(t.realIndexes[0].usageMap);
        QVERIFY(std::set<std::uint32_t>(walk.pages.begin(), walk.pages.end()) ==
                std::set<std::uint32_t>(mapped.begin(), mapped.end()));

        QCOMPARE(walk.entries.size(), remedies.size());
        std::set<std::uint32_t> pointers;
        for (std::size_t i = 0; i < walk.entries.size(); ++i) {
            const IndexEntry& entry = walk.entries[i];
            QCOMPARE(entry.key[0], 0x7F); // ascending, not NULL
            const auto key = static_cast<std::int32_t>(be(entry.key, 1, 4) ^ 0x80000000u);
            if (i > 0) {
                QVERIFY(walk.entries[i - 1].key < entry.key);
            }
            QVERIFY(pointers.insert(entry.rowPointer).second);
            const auto row = file.crackRow(t, file.row(entry.rowPointer));
            QCOMPARE(std::int32_t(le(row[0].value(), 0, 4)), key);
        }
    }

    // The index structures match those Access wrote for a table of the same shape.
    void primaryKeyMatchesAccess() {
        const JetFile access =
            JetFile::load(std::string(JET_TEST_DATA_DIR) + "/access2000_primary_key.mdb");
        const TableDef reference = access.tableDef(29);
        QVERIFY(reference.logicalIndexes.at(0).name == u"PrimaryKey");
        const TableDef ours = remedyTableDef(written(jettest::edgeCases()));

        const Column& referenceId = reference.column(u"ID");
        const Column& ourId = ours.column(u"编号");
        QCOMPARE(ourId.type, referenceId.type);
        QCOMPARE(ourId.flags, referenceId.flags);
        QCOMPARE(ourId.length, referenceId.length);

        // Real index: the same bytes apart from its usage map and root page.
        auto withoutPages = [](Bytes definition) {
            std::fill(definition.begin() + 34, definition.begin() + 42, 0);
            return definition;
        };
        QVERIFY(withoutPages(ours.realIndexes[0].definition) ==
                withoutPages(reference.realIndexes[0].definition));
        QVERIFY(ours.logicalIndexes[0].definition == reference.logicalIndexes[0].definition);

        // Leaf entries: same encoding, so Access's own keys read back as its IDs 1, 2, 3.
        const IndexWalk walk = access.walkIndex(reference.realIndexes[0].rootPage, 5);
        QCOMPARE(walk.entries.size(), std::size_t(3));
        for (std::size_t i = 0; i < walk.entries.size(); ++i) {
            const IndexEntry& entry = walk.entries[i];
            QCOMPARE(entry.key[0], 0x7F);
            QCOMPARE(be(entry.key, 1, 4) ^ 0x80000000u, std::uint32_t(i + 1));
            const auto row = access.crackRow(reference, access.row(entry.rowPointer));
            QCOMPARE(le(row[referenceId.number].value(), 0, 4), std::uint32_t(i + 1));
        }
        const auto referenceLeaf = access.page(reference.realIndexes[0].rootPage);
        const auto ourFile = written(jettest::edgeCases());
        const auto ourLeaf = ourFile.page(ours.realIndexes[0].rootPage);
        QCOMPARE(ourLeaf[0], referenceLeaf[0]);
        QCOMPARE(le(ourLeaf, 24, 2), le(referenceLeaf, 24, 2)); // no shared entry prefix
    }
};

QTEST_GUILESS_MAIN(WriterStructureTest)
#include "writer_structure_test.moc"
