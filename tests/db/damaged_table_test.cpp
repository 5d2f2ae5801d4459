#include "db/connection.h"
#include "db/database_error.h"
#include "db/jet_file.h"
#include "standard_error_capture.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <functional>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr qsizetype kPage = 4096;
// In the program's database, table `data` is defined on page 10 and holds 8,030 rows.
constexpr quint32 kDefinitionPage = 10;
constexpr int kRows = 8030;

quint16 int16At(const QByteArray& bytes, qsizetype at) {
    return qFromLittleEndian<quint16>(bytes.constData() + at);
}

void setInt16(QByteArray& bytes, qsizetype at, quint16 value) {
    qToLittleEndian(value, bytes.data() + at);
}

// Where one row of a page stands in the file.
struct Row {
    qsizetype offsetEntry; // of its 2-byte offset in the page's row table
    qsizetype start;
    qsizetype size;
};

// The rows of page `page` (deleted ones too).
QList<Row> rowsOf(const QByteArray& bytes, qsizetype page) {
    QList<Row> rows;
    const qsizetype base = page * kPage;
    qsizetype next = kPage;
    for (int row = 0; row < int16At(bytes, base + 12); ++row) {
        const qsizetype entry = base + 14 + 2 * row;
        const qsizetype start = int16At(bytes, entry) & 0x1fff;
        rows.append({entry, base + start, next - start});
        next = start;
    }
    return rows;
}

// The data pages of table `data`.
QList<qsizetype> dataPages(const QByteArray& bytes) {
    QList<qsizetype> pages;
    for (qsizetype page = 0; page < bytes.size() / kPage; ++page) {
        if (bytes[page * kPage] == 0x01 &&
            qFromLittleEndian<quint32>(bytes.constData() + page * kPage + 4) == kDefinitionPage)
            pages.append(page);
    }
    return pages;
}

void forEveryRow(QByteArray& bytes, const std::function<void(const Row&)>& damage) {
    for (const qsizetype page : dataPages(bytes)) {
        for (const Row& row : rowsOf(bytes, page))
            damage(row);
    }
}

// Where the name of column `column` starts in the (one-page) definition: after the column
// entries, each name as a 2-byte length, then the name.
qsizetype columnNameAt(const QByteArray& bytes, int column) {
    const qsizetype definition = kDefinitionPage * kPage;
    const auto indexes = qFromLittleEndian<quint32>(bytes.constData() + definition + 51);
    qsizetype at = definition + 63 + 12 * indexes + 25 * int16At(bytes, definition + 45);
    for (int before = 0; before < column; ++before)
        at += 2 + int16At(bytes, at);
    return at;
}

// Where the definition names the rows of the table's usage map and free-space map, each as
// page << 8 | row.
constexpr qsizetype kUsageMapPointer = kDefinitionPage * kPage + 55;
constexpr qsizetype kFreeMapPointer = kDefinitionPage * kPage + 59;

quint32 mapPointer(const QByteArray& bytes, qsizetype pointerAt) {
    return qFromLittleEndian<quint32>(bytes.constData() + pointerAt);
}

// Where the table's usage map (an inline one: kind 0, first page, bitmap) stands in the file.
qsizetype usageMapOf(const QByteArray& bytes) {
    const quint32 pointer = mapPointer(bytes, kUsageMapPointer);
    return rowsOf(bytes, pointer >> 8)[static_cast<qsizetype>(pointer & 0xff)].start;
}

// A long-value page: a data page that carries "LVAL" where a table's would name its owner.
qsizetype firstLongValuePage(const QByteArray& bytes) {
    for (qsizetype page = 0; page < bytes.size() / kPage; ++page) {
        if (bytes[page * kPage] == 0x01 && bytes.mid(page * kPage + 4, 4) == "LVAL")
            return page;
    }
    return -1;
}

using Damage = std::function<void(QByteArray&)>;

// The map named at `pointerAt` moved to the row just past the last one of its page, where the
// free space after the row table reads as a row of 16 bytes.
Damage mapRowPastItsRows(qsizetype pointerAt) {
    return [pointerAt](QByteArray& bytes) {
        const qsizetype page = mapPointer(bytes, pointerAt) >> 8;
        const QList<Row> rows = rowsOf(bytes, page);
        bytes[pointerAt] = static_cast<char>(rows.size());
        setInt16(bytes, rows.last().offsetEntry + 2,
                 static_cast<quint16>(rows.last().start - page * kPage - 16));
    };
}

} // namespace

// The program's database damaged in the ways a table can be: each one is refused with its reason,
// naming the file, and without a word from libmdb on standard error; never read as a shorter or
// empty collection.
class DamagedTableTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void undamagedIsReadWhole();
    void damagedTableIsRefused_data();
    void damagedTableIsRefused();

private:
    QByteArray database_;
    QTemporaryDir dir_;
};

void DamagedTableTest::initTestCase() {
    QFile file(QStringLiteral(VORLANTIX_REMEDY_DATABASE));
    QVERIFY(file.open(QIODevice::ReadOnly));
    database_ = file.readAll();
    QCOMPARE(dataPages(database_).size(), 74);
    QCOMPARE(database_[usageMapOf(database_)], '\0');
}

void DamagedTableTest::undamagedIsReadWhole() {
    const QString path = dir_.filePath(u"whole.mdb"_s);
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(database_);
    file.close();
    QCOMPARE(db::JetFile(path).readStoredTable(u"data"_s).rowCount, kRows);
}

void DamagedTableTest::damagedTableIsRefused_data() {
    QTest::addColumn<Damage>("damage");
    QTest::addColumn<QString>("fault"); // the end of the error's text

    QTest::newRow("every row offset 0x1fff") << Damage([](QByteArray& bytes) {
        forEveryRow(bytes, [&](const Row& row) { setInt16(bytes, row.offsetEntry, 0x1fff); });
    }) << u"lies outside its page"_s;
    QTest::newRow("one row offset past its page") << Damage([](QByteArray& bytes) {
        setInt16(bytes, rowsOf(bytes, dataPages(bytes)[5])[3].offsetEntry, 0x1fff);
    }) << u"lies outside its page"_s;
    QTest::newRow("every column count 0xffff") << Damage([](QByteArray& bytes) {
        forEveryRow(bytes, [&](const Row& row) { setInt16(bytes, row.start, 0xffff); });
    }) << u"its column count 65535 does not fit the row"_s;
    QTest::newRow("column count leaving columns out") << Damage([](QByteArray& bytes) {
        forEveryRow(bytes, [&](const Row& row) { setInt16(bytes, row.start, 0); });
    }) << u"its column count 0 leaves out columns of the table"_s;
    // Three columns: a null mask of one byte at the row's end, the number of variable-length
    // columns before it, and their offsets before that.
    QTest::newRow("garbage variable-length offsets") << Damage([](QByteArray& bytes) {
        forEveryRow(bytes,
                    [&](const Row& row) { setInt16(bytes, row.start + row.size - 5, 0x7ff3); });
    }) << u"its variable-length offsets lie outside the row"_s;
    QTest::newRow("too many variable-length columns") << Damage([](QByteArray& bytes) {
        forEveryRow(bytes,
                    [&](const Row& row) { setInt16(bytes, row.start + row.size - 3, 0x0800); });
    }) << u"its 2048 variable-length columns do not fit the row"_s;
    QTest::newRow("definition page of another kind")
        << Damage([](QByteArray& bytes) { bytes[kDefinitionPage * kPage] = 0x01; })
        << u"its definition page 10 is no table definition"_s;
    // Jet 4.0: a 63-byte head, 12 bytes for each index counted at 51, then 25 for each column.
    QTest::newRow("column of an unknown type") << Damage([](QByteArray& bytes) {
        const qsizetype definition = kDefinitionPage * kPage;
        const auto indexes = qFromLittleEndian<quint32>(bytes.constData() + definition + 51);
        bytes[definition + 63 + 12 * indexes] = 0x7f;
    }) << u"column 0 is of the unknown type 127"_s;
    // libmdb hands a decimal value over as empty text: the column would read as empty.
    QTest::newRow("column of type Numeric") << Damage([](QByteArray& bytes) {
        const qsizetype definition = kDefinitionPage * kPage;
        const auto indexes = qFromLittleEndian<quint32>(bytes.constData() + definition + 51);
        bytes[definition + 63 + 12 * indexes] = 0x10;
    }) << u"column 0 is of the type Numeric, which the engine cannot read"_s;
    QTest::newRow("definition continued past the end of the file") << Damage([](QByteArray& bytes) {
        qToLittleEndian<quint32>(static_cast<quint32>(bytes.size() / kPage),
                                 bytes.data() + kDefinitionPage * kPage + 4);
    }) << u"its definition page 762 is no table definition"_s;
    QTest::newRow("more columns than the definition holds")
        << Damage([](QByteArray& bytes) { setInt16(bytes, kDefinitionPage * kPage + 45, 0x7fff); })
        << u"its definition is cut short"_s;
    // A name running past the definition, the first one or the last (nothing follows it).
    QTest::newRow("column names past the definition")
        << Damage([](QByteArray& bytes) { setInt16(bytes, columnNameAt(bytes, 0), 0xfff0); })
        << u"its column names run past its definition"_s;
    QTest::newRow("last column's name past the definition") << Damage([](QByteArray& bytes) {
        setInt16(bytes, columnNameAt(bytes, int16At(bytes, kDefinitionPage * kPage + 45) - 1),
                 0x7ff0);
    }) << u"its column names run past its definition"_s;
    QTest::newRow("page map's row past its page's rows")
        << mapRowPastItsRows(kUsageMapPointer) << u"its page map is no row of page 11"_s;
    QTest::newRow("free-space map's row past its page's rows")
        << mapRowPastItsRows(kFreeMapPointer) << u"its free-space map is no row of page 11"_s;
    QTest::newRow("page map's row outside its page") << Damage([](QByteArray& bytes) {
        const quint32 pointer = mapPointer(bytes, kUsageMapPointer);
        setInt16(bytes,
                 rowsOf(bytes, pointer >> 8)[static_cast<qsizetype>(pointer & 0xff)].offsetEntry,
                 0x1fff);
    }) << u"its page map is no row of page 11"_s;
    QTest::newRow("page map kept past the end of the file") << Damage([](QByteArray& bytes) {
        qToLittleEndian<quint32>(static_cast<quint32>(bytes.size() / kPage) << 8,
                                 bytes.data() + kDefinitionPage * kPage + 55);
    }) << u"its page map lies on page 762, past the end of the file"_s;
    QTest::newRow("page map past the end of the file") << Damage([](QByteArray& bytes) {
        qToLittleEndian<quint32>(static_cast<quint32>(bytes.size() / kPage),
                                 bytes.data() + usageMapOf(bytes) + 1);
    }) << u"its page map names page 762, past the end of the file"_s;
    QTest::newRow("page map at long-value pages") << Damage([](QByteArray& bytes) {
        qToLittleEndian<quint32>(static_cast<quint32>(firstLongValuePage(bytes)),
                                 bytes.data() + usageMapOf(bytes) + 1);
    }) << u"which is no data page of it"_s;
    QTest::newRow("page map naming a page that is no map page") << Damage([](QByteArray& bytes) {
        const qsizetype map = usageMapOf(bytes);
        bytes[map] = 1;
        qToLittleEndian<quint32>(static_cast<quint32>(dataPages(bytes)[0]), bytes.data() + map + 1);
    }) << u"which is no map page"_s;
    QTest::newRow("page claims more rows than it holds") << Damage([](QByteArray& bytes) {
        setInt16(bytes, dataPages(bytes)[0] * kPage + 12, 3000);
    }) << u"claims 3000 rows, more than it can hold"_s;
    QTest::newRow("row count the pages cannot hold") << Damage([](QByteArray& bytes) {
        qToLittleEndian<quint32>(kRows + 1, bytes.data() + kDefinitionPage * kPage + 16);
    }) << u"it holds 8031 rows, its pages only 8030"_s;
    QTest::newRow("one row marked deleted") << Damage([](QByteArray& bytes) {
        const Row row = rowsOf(bytes, dataPages(bytes)[10])[7];
        setInt16(bytes, row.offsetEntry, int16At(bytes, row.offsetEntry) | 0x4000);
    }) << u"it holds 8030 rows, its pages only 8029"_s;
}

void DamagedTableTest::damagedTableIsRefused() {
    QFETCH(Damage, damage);
    QFETCH(QString, fault);
    QByteArray bytes = database_;
    damage(bytes);
    const QString path = dir_.filePath(QString::fromLatin1(QTest::currentDataTag()) + u".mdb"_s);
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
    file.close();

    // What libmdb would print goes to a file instead of the terminal, for the check below.
    StandardErrorCapture standardError;
    QString error;
    try {
        db::Connection connection;
        connection.setConnectionString(u"Provider=Microsoft.Jet.OLEDB.4.0;Data Source="_s + path);
        connection.open();
        error = u"read %1 rows"_s.arg(connection.execute(u"Select * from data"_s).rowCount());
    } catch (const db::DatabaseError& refused) {
        error = QString::fromUtf8(refused.what());
    }
    const QByteArray printed = standardError.text();

    const QString prefix = u"Cannot read table 'data' of database '%1': "_s.arg(path);
    QVERIFY2(error.startsWith(prefix) && error.endsWith(fault), qPrintable(error));
    QCOMPARE(printed, QByteArray());
}

QTEST_GUILESS_MAIN(DamagedTableTest)
#include "damaged_table_test.moc"
