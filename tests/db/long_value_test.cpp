// The engine reads long values (memo and OLE) from the file's image itself. Every value must be
// what libmdb's own long-value reading gives, on Access-made files, on the program's database
// and on an encrypted file; and a small file whose rows all point at one huge chain must end in
// the engine's error instead of eating memory.
#include "db/database_error.h"
#include "db/decode_budget.h"
#include "db/jet_file.h"
#include "db/jet_text.h"
#include "engine_fixture.h"
#include "jet/remedy_database.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <array>
#include <memory>
#include <utility>

// mdbtools.h wraps glib in extern "C"; glib must come first in C++.
#include <glib.h>

#include <mdbtools.h>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr qsizetype kPageSize = 4096;

// The values of a table's long-valued columns as libmdb reads them: mdb_ole_read and
// mdb_ole_read_next over each cell's 12-byte head, text decoded as the engine decodes it.
QList<QVariantList> libmdbLongValues(const QString& path, const QString& tableName) {
    MdbHandle* mdb = mdb_open(QFile::encodeName(path).constData(), MDB_NOFLAGS);
    if (mdb == nullptr)
        return {};
    const std::unique_ptr<MdbHandle, void (*)(MdbHandle*)> closer(mdb, mdb_close);
    mdb_read_catalog(mdb, MDB_TABLE);
    QByteArray name = tableName.toUtf8();
    MdbTableDef* table = mdb_read_table_by_name(mdb, name.data(), MDB_TABLE);
    if (table == nullptr)
        return {};
    const std::unique_ptr<MdbTableDef, void (*)(MdbTableDef*)> tableCloser(table,
                                                                           mdb_free_tabledef);
    mdb_read_columns(table);
    mdb_rewind_table(table);
    const auto columnCount = static_cast<int>(table->num_cols);
    std::vector<MdbField> fields(static_cast<size_t>(columnCount));
    QByteArray chunk(1 << 16, Qt::Uninitialized);
    QList<QVariantList> rows;
    while (mdb_fetch_row(table) != 0) {
        int start = 0;
        size_t size = 0;
        mdb_find_row(mdb, static_cast<int>(table->cur_row) - 1, &start, &size);
        mdb_crack_row(table, start & 0x1fff, size, fields.data());
        QVariantList row;
        for (int i = 0; i < columnCount; ++i) {
            auto* column =
                static_cast<MdbColumn*>(g_ptr_array_index(table->columns, static_cast<guint>(i)));
            if (column->col_type != MDB_MEMO && column->col_type != MDB_OLE)
                continue;
            const MdbField& field = fields[static_cast<size_t>(i)];
            if (field.is_null != 0) {
                row.append(QVariant());
                continue;
            }
            std::array<char, MDB_MEMO_OVERHEAD> head{};
            if (field.siz >= MDB_MEMO_OVERHEAD)
                std::memcpy(head.data(), field.value, head.size());
            column->bind_ptr = chunk.data();
            QByteArray bytes;
            size_t length = mdb_ole_read(mdb, column, head.data(), 1 << 16);
            while (length > 0) {
                bytes.append(chunk.constData(), static_cast<qsizetype>(length));
                length = mdb_ole_read_next(mdb, column, head.data());
            }
            column->bind_ptr = nullptr;
            row.append(column->col_type == MDB_OLE
                           ? QVariant(bytes)
                           : QVariant(db::jetText(bytes.constData(), bytes.size())));
        }
        rows.append(row);
    }
    return rows;
}

QList<QVariantList> engineLongValues(const QString& path, const QString& tableName) {
    const db::JetTable table = db::readJetTable(path, tableName);
    QList<QVariantList> rows;
    for (const QVariantList& values : table.rows) {
        QVariantList row;
        for (qsizetype c = 0; c < table.columns.size(); ++c) {
            if (table.columns[c].type == db::JetType::Memo ||
                table.columns[c].type == db::JetType::Ole)
                row.append(values[c]);
        }
        rows.append(row);
    }
    return rows;
}

void rc4(QByteArray& bytes, qsizetype from, qsizetype length, quint32 key) {
    std::array<unsigned char, 256> state{};
    for (int i = 0; i < 256; ++i)
        state[static_cast<size_t>(i)] = static_cast<unsigned char>(i);
    const std::array<unsigned char, 4> keyBytes = {
        static_cast<unsigned char>(key), static_cast<unsigned char>(key >> 8),
        static_cast<unsigned char>(key >> 16), static_cast<unsigned char>(key >> 24)};
    unsigned char j = 0;
    for (size_t i = 0; i < 256; ++i) {
        j = static_cast<unsigned char>(j + state[i] + keyBytes[i % 4]);
        std::swap(state[i], state[j]);
    }
    unsigned char x = 0;
    unsigned char y = 0;
    for (qsizetype n = from; n < from + length; ++n) {
        x = static_cast<unsigned char>(x + 1);
        y = static_cast<unsigned char>(y + state[x]);
        std::swap(state[x], state[y]);
        bytes[n] =
            static_cast<char>(bytes[n] ^ state[static_cast<unsigned char>(state[x] + state[y])]);
    }
}

// The file encrypted as Jet encrypts a database: its key in the (masked) header, every other
// page RC4-encrypted with the key XOR the page's number.
QByteArray encrypted(QByteArray file, quint32 key) {
    for (int i = 0; i < 4; ++i)
        file[0x3e + i] = static_cast<char>(file[0x3e + i] ^ static_cast<char>(key >> (8 * i)));
    for (qsizetype page = 1; page < file.size() / kPageSize; ++page)
        rc4(file, page * kPageSize, kPageSize, key ^ static_cast<quint32>(page));
    return file;
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

std::vector<jet::Remedy> remediesWithOneLongBody(int shortRows) {
    std::vector<jet::Remedy> remedies;
    remedies.push_back({1, u"长"_s.toStdU16String(), std::u16string(1'000'000, u'长')});
    for (int id = 2; id <= shortRows + 1; ++id)
        remedies.push_back({id, u"方%1"_s.arg(id).toStdU16String(), std::u16string(100, u'a')});
    return remedies;
}

// Every `needle` in `haystack`, replaced by `replacement` of the same length; the count.
int replaceAll(QByteArray& haystack, const QByteArray& needle, const QByteArray& replacement) {
    int count = 0;
    for (qsizetype at = haystack.indexOf(needle); at >= 0; at = haystack.indexOf(needle, at + 1)) {
        haystack.replace(at, replacement.size(), replacement);
        ++count;
    }
    return count;
}

} // namespace

class LongValueTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void matchesLibmdb_data();
    void matchesLibmdb();
    void readsEncryptedFile();
    void stopsAtTheDecodeBudget();
    void decodeBudgetEndsExactlyAtItsLimit_data();
    void decodeBudgetEndsExactlyAtItsLimit();
};

void LongValueTest::matchesLibmdb_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("table");
    QTest::newRow("remedies") << QStringLiteral(VORLANTIX_REMEDY_DATABASE) << u"data"_s;
    QTest::newRow("small remedies") << engineFixturePath("small_remedies.mdb") << u"data"_s;
    QTest::newRow("inline and LVAL memos")
        << engineFixturePath("jackcess_test2V2000.mdb") << u"MSP_PROJECTS"_s;
    QTest::newRow("compressed text")
        << engineFixturePath("jackcess_testUnicodeCompV2003.mdb") << u"Table"_s;
    QTest::newRow("no long values")
        << engineFixturePath("mdbreader_V2000_no-password.mdb") << u"Table1"_s;
}

void LongValueTest::matchesLibmdb() {
    QFETCH(QString, path);
    QFETCH(QString, table);
    const QList<QVariantList> expected = libmdbLongValues(path, table);
    QVERIFY(!expected.isEmpty());
    const QList<QVariantList> actual = engineLongValues(path, table);
    QCOMPARE(actual.size(), expected.size());
    for (qsizetype row = 0; row < expected.size(); ++row) {
        QCOMPARE(actual[row].size(), expected[row].size());
        for (qsizetype column = 0; column < expected[row].size(); ++column) {
            QCOMPARE(actual[row][column].isNull(), expected[row][column].isNull());
            QCOMPARE(actual[row][column], expected[row][column]);
        }
    }
}

void LongValueTest::readsEncryptedFile() {
    QTemporaryDir dir;
    const QString path = dir.filePath(u"encrypted.mdb"_s);
    QFile plain(engineFixturePath("small_remedies.mdb"));
    QVERIFY(plain.open(QIODevice::ReadOnly));
    QVERIFY(writeFile(path, encrypted(plain.readAll(), 0x5a17c3e1)));
    const QList<QVariantList> expected = libmdbLongValues(path, u"data"_s);
    QCOMPARE(expected.size(), 4);
    QCOMPARE(engineLongValues(path, u"data"_s), expected);
    // Every value, texts and numbers included, as in the file before it was encrypted.
    QCOMPARE(db::readJetTable(path, u"data"_s).rows,
             db::readJetTable(engineFixturePath("small_remedies.mdb"), u"data"_s).rows);
}

// 3,000 rows whose memo heads all name one chain of 2 MB: 6 GB to decode from a 3 MB file.
void LongValueTest::stopsAtTheDecodeBudget() {
    constexpr int kRows = 3000;
    const jet::Bytes written = jet::writeRemedyDatabase(remediesWithOneLongBody(kRows));
    QByteArray file(reinterpret_cast<const char*>(written.data()),
                    static_cast<qsizetype>(written.size()));
    QTemporaryDir dir;
    const QString honest = dir.filePath(u"honest.mdb"_s);
    QVERIFY(writeFile(honest, file));
    QCOMPARE(db::readJetTable(honest, u"data"_s).rows.size(), kRows + 1);

    // A memo head: its length (low 3 bytes) and flags, the page and row of its value, 4 zeros.
    const QByteArray shortHead = QByteArray::fromHex("c8000040");
    const QByteArray longHead = QByteArray::fromHex("80841e00");
    const qsizetype at = file.indexOf(longHead);
    QVERIFY(at >= 0);
    const QByteArray longValue = file.mid(at, 12);
    QCOMPARE(replaceAll(file, shortHead, longValue.left(4)), kRows);
    for (qsizetype head = file.indexOf(longValue.left(4)); head >= 0;
         head = file.indexOf(longValue.left(4), head + 1))
        file.replace(head, 12, longValue);
    const QString crafted = dir.filePath(u"crafted.mdb"_s);
    QVERIFY(writeFile(crafted, file));

    QVERIFY_THROWS_EXCEPTION(db::DatabaseError, db::readJetTable(crafted, u"data"_s));
    try {
        db::JetFile(crafted).readStoredTable(u"data"_s);
        QFAIL("the crafted file was read");
    } catch (const db::DatabaseError& error) {
        QVERIFY2(QByteArray(error.what()).contains("more data than its size allows"), error.what());
    }
}

void LongValueTest::decodeBudgetEndsExactlyAtItsLimit_data() {
    QTest::addColumn<qsizetype>("fileSize");
    QTest::addColumn<qsizetype>("budget");
    QTest::newRow("an empty file") << qsizetype{0} << qsizetype{0};
    QTest::newRow("four times the file") << qsizetype{1000} << qsizetype{4000};
    QTest::newRow("a large file: the ceiling")
        << (qsizetype{1} << 29) << db::DecodeBudget::kCeiling;
}

// The whole budget may be spent, in one charge or in two; one byte more is refused.
void LongValueTest::decodeBudgetEndsExactlyAtItsLimit() {
    QFETCH(qsizetype, fileSize);
    QFETCH(qsizetype, budget);
    db::DecodeBudget whole(fileSize, u"f.mdb"_s);
    whole.charge(budget);
    QCOMPARE(whole.left(), 0);
    QVERIFY_THROWS_EXCEPTION(db::DatabaseError, whole.charge(1));
    db::DecodeBudget split(fileSize, u"f.mdb"_s);
    split.charge(budget / 2);
    QVERIFY_THROWS_EXCEPTION(db::DatabaseError, split.charge(budget - budget / 2 + 1));
}

QTEST_GUILESS_MAIN(LongValueTest)
#include "long_value_test.moc"
