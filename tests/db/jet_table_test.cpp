#include "db/database_error.h"
#include "db/jet_file.h"
#include "db/jet_table.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString kFixtures = QStringLiteral(VORLANTIX_JET_FIXTURES);

QString fixture(const QString& name) {
    return kFixtures + u'/' + name;
}

} // namespace

class JetTableTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void readsRowsInStorageOrderWithTypes();
    void readsUnicodeText();
    void readsUtf8AndLeavesTheEnvironment();
    void tellsNullFromValues();
    void tellsNullFromEmptyText();
    void rejectsBadFiles_data();
    void rejectsBadFiles();
    void rejectsDamagedUsageMap_data();
    void rejectsDamagedUsageMap();
    void rejectsUnknownTable_data();
    void rejectsUnknownTable();
};

void JetTableTest::readsRowsInStorageOrderWithTypes() {
    const db::JetTable table =
        db::readJetTable(fixture(u"mdbreader_V2000_no-password.mdb"_s), u"table1"_s);
    QCOMPARE(table.name, u"Table1"_s);
    QCOMPARE(table.columns.size(), 2);
    QCOMPARE(table.columns[0].name, u"ID"_s);
    QCOMPARE(table.columns[0].type, db::JetType::LongInteger);
    QCOMPARE(table.columns[1].name, u"Data"_s);
    QCOMPARE(table.columns[1].type, db::JetType::Text);
    const QList<QVariantList> expected = {
        {qint64(1), u"One"_s}, {qint64(2), u"Two"_s}, {qint64(3), u"Three"_s}};
    QCOMPARE(table.rows, expected);
    QCOMPARE(table.rows[0][0].typeId(), QMetaType::LongLong);
    QCOMPARE(db::JetFile(fixture(u"mdbreader_V2000_no-password.mdb"_s)).tableNames(),
             QStringList{u"Table1"_s});
}

void JetTableTest::readsUnicodeText() {
    // Compressed and uncompressed Unicode alike, CJK and Cyrillic included.
    const db::JetTable table =
        db::readJetTable(fixture(u"jackcess_testUnicodeCompV2003.mdb"_s), u"Table"_s);
    QCOMPARE(table.rows.size(), 8);
    QCOMPARE(table.rows[2][1].toString(), u"Мир"_s);
    QCOMPARE(table.rows[4][1].toString(), u"漢字仮名交じり文"_s);
    QCOMPARE(table.rows[6][1].toString(), u"ümlaut"_s);
}

// libmdb would name columns in the charset of MDBICONV, here one without Chinese; the engine
// reads UTF-8 all the same, and leaves the variable to the other threads that read it.
void JetTableTest::readsUtf8AndLeavesTheEnvironment() {
    qputenv("MDBICONV", "ISO-8859-1");
    const db::JetTable table = db::readJetTable(fixture(u"small_remedies.mdb"_s), u"data"_s);
    const QByteArray left = qgetenv("MDBICONV");
    qunsetenv("MDBICONV");
    QCOMPARE(left, QByteArray("ISO-8859-1"));
    QCOMPARE(table.columns.size(), 3);
    QCOMPARE(table.columns[0].name, u"编号"_s);
    QCOMPARE(table.columns[1].name, u"标题"_s);
    QCOMPARE(table.columns[2].name, u"内容"_s);
}

void JetTableTest::tellsNullFromValues() {
    // One row of 74 columns (the definition spans two pages): memos inline and on LVAL pages,
    // an OLE value on a chain of LVAL pages, and NULLs, named here as mdb-json leaves them out.
    const db::JetTable table =
        db::readJetTable(fixture(u"jackcess_test2V2000.mdb"_s), u"MSP_PROJECTS"_s);
    QCOMPARE(table.columns.size(), 74);
    QCOMPARE(table.rows.size(), 1);
    const QStringList expectedNulls = {u"PROJ_PROP_CATEGORY"_s,
                                       u"PROJ_PROP_KEYWORDS"_s,
                                       u"PROJ_PROP_MANAGER"_s,
                                       u"PROJ_POOL_ATTACHED_TO"_s,
                                       u"PROJ_INFO_STATUS_DATE"_s,
                                       u"PROJ_PROP_SUBJECT"_s,
                                       u"PROJ_PROJECT"_s,
                                       u"PROJ_VERSION"_s,
                                       u"PROJ_ENT_LIST_SEPARATOR"_s,
                                       u"PROJ_MACHINE_ID"_s,
                                       u"PROJ_TYPE"_s,
                                       u"PROJ_CHECKEDOUT"_s,
                                       u"PROJ_CHECKEDOUTBY"_s,
                                       u"PROJ_CHECKEDOUTDATE"_s};
    QStringList nulls;
    QHash<QString, QVariant> byName;
    for (int i = 0; i < table.columns.size(); ++i) {
        byName.insert(table.columns[i].name, table.rows[0][i]);
        if (table.rows[0][i].isNull()) {
            nulls.append(table.columns[i].name);
        }
    }
    QCOMPARE(nulls, expectedNulls);
    const QString author = byName.value(u"PROJ_PROP_AUTHOR"_s).toString();
    QCOMPARE(author.size(), 348);
    QVERIFY(author.startsWith(u"Jon Iles this is"_s));
    QCOMPARE(byName.value(u"PROJ_OPT_CURRENCY_SYMBOL"_s).toString(), u"£"_s);
    QCOMPARE(byName.value(u"RESERVED_BINARY_DATA"_s).toByteArray().size(), 22970);
}

void JetTableTest::tellsNullFromEmptyText() {
    // Written by jet4write from small_remedies.tsv: a NULL body, an empty body, and a body of
    // 30,001 characters (90 KB as UTF-8), longer than libmdb's first buffer.
    const db::JetTable table = db::readJetTable(fixture(u"small_remedies.mdb"_s), u"DATA"_s);
    QCOMPARE(table.rows.size(), 4);
    QCOMPARE(table.columns[2].type, db::JetType::Memo);
    QCOMPARE(table.rows[0][2].toString(), u"补气【来源】《方》。it's Vitamin C"_s);
    QVERIFY(table.rows[1][2].isNull());
    QVERIFY(!table.rows[2][2].isNull());
    QCOMPARE(table.rows[2][2].toString(), QString());
    QCOMPARE(table.rows[3][2].toString(), QString(30000, u'长') + u"尾"_s);
}

void JetTableTest::rejectsBadFiles_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("message");

    QFile source(fixture(u"mdbreader_V2000_no-password.mdb"_s));
    QVERIFY(source.open(QIODevice::ReadOnly));
    const QByteArray whole = source.readAll();

    QTest::newRow("empty") << QByteArray() << u"is not a Jet 4.0 database"_s;
    QTest::newRow("text") << QByteArray("Provider=nothing\n") << u"is not a Jet 4.0 database"_s;
    QTest::newRow("header only") << whole.left(10) << u"is truncated"_s;
    QTest::newRow("half a page") << whole.left(2048) << u"is truncated"_s;
    QTest::newRow("cut mid-page") << whole.left(5 * 4096 + 100) << u"is truncated"_s;
    QTest::newRow("two pages") << whole.left(2 * 4096) << u"is truncated"_s;
    QByteArray jet3 = whole;
    jet3[0x14] = 0;
    QTest::newRow("Jet 3") << jet3 << u"is not a Jet 4.0 database"_s;
}

void JetTableTest::rejectsBadFiles() {
    QFETCH(QByteArray, content);
    QFETCH(QString, message);
    QTemporaryDir dir;
    const QString path = dir.filePath(u"bad.mdb"_s);
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
    file.close();
    try {
        db::readJetTable(path, u"Table1"_s);
        QFAIL("no error");
    } catch (const db::DatabaseError& error) {
        const QString text = QString::fromUtf8(error.what());
        QVERIFY2(text.contains(message) && text.contains(path), error.what());
    }
}

void JetTableTest::rejectsDamagedUsageMap_data() {
    QTest::addColumn<int>("mapLength");
    QTest::addColumn<QString>("fault");
    QTest::newRow("empty map") << 0 << u"it has no page map"_s;
    QTest::newRow("map shorter than its head") << 3 << u"its page map is of an unknown kind"_s;
    QTest::newRow("map one byte short of its head") << 4 << u"its page map is of an unknown kind"_s;
}

void JetTableTest::rejectsDamagedUsageMap() {
    // In small_remedies.mdb the usage map of table data (definition on page 10) is row 36 of
    // page 11; row 35 starts at 1612. Moving row 36's start shortens the map: libmdb would
    // follow a null map or scan far past a short one.
    QFETCH(int, mapLength);
    QFETCH(QString, fault);
    QFile source(fixture(u"small_remedies.mdb"_s));
    QVERIFY(source.open(QIODevice::ReadOnly));
    QByteArray bytes = source.readAll();
    const qsizetype rowStart = 11 * 4096 + 14 + 36 * 2;
    QCOMPARE(qFromLittleEndian<quint16>(bytes.constData() + rowStart - 2), quint16(1612));
    qToLittleEndian<quint16>(quint16(1612 - mapLength), bytes.data() + rowStart);

    QTemporaryDir dir;
    const QString path = dir.filePath(u"damaged.mdb"_s);
    QFile damaged(path);
    QVERIFY(damaged.open(QIODevice::WriteOnly));
    damaged.write(bytes);
    damaged.close();
    try {
        db::readJetTable(path, u"data"_s);
        QFAIL("no error");
    } catch (const db::DatabaseError& error) {
        QCOMPARE(QString::fromUtf8(error.what()),
                 u"Cannot read table 'data' of database '%1': %2"_s.arg(path, fault));
    }
}

void JetTableTest::rejectsUnknownTable_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("message");
    const QString fixturePath = fixture(u"mdbreader_V2000_no-password.mdb"_s);
    QTest::newRow("unknown table") << fixturePath << u"data"_s << u"Unknown table 'data'"_s;
    QTest::newRow("missing file") << kFixtures + u"/missing.mdb"_s << u"Table1"_s
                                  << u"No such file or directory"_s;
    QTest::newRow("directory") << kFixtures << u"Table1"_s << u"not a regular file"_s;
    QTest::newRow("no path") << QString() << u"Table1"_s << u"No database file named"_s;
}

void JetTableTest::rejectsUnknownTable() {
    QFETCH(QString, path);
    QFETCH(QString, table);
    QFETCH(QString, message);
    try {
        db::readJetTable(path, table);
        QFAIL("no error");
    } catch (const db::DatabaseError& error) {
        QVERIFY2(QString::fromUtf8(error.what()).contains(message), error.what());
    }
}

QTEST_GUILESS_MAIN(JetTableTest)
#include "jet_table_test.moc"
