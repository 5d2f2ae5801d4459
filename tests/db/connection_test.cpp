#include "db/connection.h"
#include "db/connection_string.h"
#include "db/database_error.h"
#include "db/table_read_ahead.h"
#include "engine_fixture.h"
#include "jet/remedy_database.h"

#include <QSignalSpy>
#include <QTest>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace {

// Whether another process could take the file for writing right now.
bool canLockExclusively(const QString& path) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    const bool locked = fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0;
    if (fd >= 0) {
        ::close(fd);
    }
    return locked;
}

QStringList rowsOf(const db::QueryResult& result) {
    QStringList rows;
    for (int r = 0; r < result.rowCount(); ++r) {
        QStringList cells;
        for (int f = 0; f < result.fieldCount(); ++f) {
            cells << result.text(r, f);
        }
        rows << cells.join(u'|');
    }
    return rows;
}

// A database of three remedies numbered from `firstId`; the files for different numbers have the
// same size and layout.
QByteArray remedyDatabase(int firstId) {
    std::vector<jet::Remedy> remedies;
    for (int id = firstId; id < firstId + 3; ++id)
        remedies.push_back({id, u"方"_s.toStdU16String(), u"内容"_s.toStdU16String()});
    const jet::Bytes bytes = jet::writeRemedyDatabase(remedies);
    return {reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size())};
}

// Writes `bytes` over the file at `path` in place: the same file, new content.
bool rewriteInPlace(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::ReadWrite) && file.write(bytes) == bytes.size();
}

// Puts a new file with `bytes` in place of the one at `path`.
bool replaceFile(const QString& path, const QByteArray& bytes) {
    QFile file(path + u".new"_s);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return false;
    file.close();
    return ::rename(QFile::encodeName(file.fileName()).constData(),
                    QFile::encodeName(path).constData()) == 0;
}

} // namespace

class ConnectionTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void parsesConnectionStrings_data();
    void parsesConnectionStrings();
    void rejectsConnectionStrings_data();
    void rejectsConnectionStrings();
    void failedOpenLeavesNothingOpen_data();
    void failedOpenLeavesNothingOpen();
    void runsStatements_data();
    void runsStatements();
    void searchesRemedies_data();
    void searchesRemedies();
    void reportsUnknownNames_data();
    void reportsUnknownNames();
    void holdsTheFileWhileConnected();
    void keepsAFileOthersMayChangeInMemory_data();
    void keepsAFileOthersMayChangeInMemory();
    void refusesStatementsWhenClosed();
    void takesATableReadAheadOnlyFromTheSameFile_data();
    void takesATableReadAheadOnlyFromTheSameFile();
    void closeDropsATableReadAheadOfAFailedStart();
};

void ConnectionTest::parsesConnectionStrings_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("dataSource");

    QTest::newRow("as the program builds it")
        << u"Provider=Microsoft.Jet.OLEDB.4.0;Data Source=/tmp/u//ResBuild.dll;Persist Security Info=False"_s
        << u"/tmp/u//ResBuild.dll"_s;
    QTest::newRow("keys in any case, blanks around")
        << u" provider = microsoft.jet.oledb.4.0 ; DATA SOURCE = /a b/c.mdb ;"_s << u"/a b/c.mdb"_s;
    QTest::newRow("quoted value with semicolon")
        << u"Provider=Microsoft.Jet.OLEDB.4.0;Data Source=\"/x;y/\"\"z\"\".mdb\""_s
        << u"/x;y/\"z\".mdb"_s;
    QTest::newRow("Windows path unchanged")
        << u"Provider=Microsoft.Jet.OLEDB.4.0;Data Source=C:\\T\\\\ResBuild.dll"_s
        << u"C:\\T\\\\ResBuild.dll"_s;
    QTest::newRow("later key wins, unknown keys ignored")
        << u"Data Source=/a;User ID=Admin;Provider=Microsoft.Jet.OLEDB.4.0;Data Source=/b"_s
        << u"/b"_s;
}

void ConnectionTest::parsesConnectionStrings() {
    QFETCH(QString, text);
    QFETCH(QString, dataSource);
    QCOMPARE(db::parseConnectionString(text).dataSource, dataSource);
}

void ConnectionTest::rejectsConnectionStrings_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("message");

    QTest::newRow("empty") << QString() << u"The connection string is empty"_s;
    QTest::newRow("blank") << u"  "_s << u"The connection string is empty"_s;
    QTest::newRow("no provider") << u"Data Source=/a.mdb"_s
                                 << u"The connection string names no provider"_s;
    QTest::newRow("other provider")
        << u"Provider=SQLOLEDB;Data Source=/a.mdb"_s
        << u"Provider 'SQLOLEDB' is not supported; this engine is Microsoft.Jet.OLEDB.4.0"_s;
    QTest::newRow("no data source")
        << u"Provider=Microsoft.Jet.OLEDB.4.0"_s << u"The connection string names no Data Source"_s;
    QTest::newRow("empty data source") << u"Provider=Microsoft.Jet.OLEDB.4.0;Data Source=;"_s
                                       << u"The connection string names no Data Source"_s;
    QTest::newRow("part without equals")
        << u"Provider=Microsoft.Jet.OLEDB.4.0;junk;Data Source=/a"_s
        << u"Malformed connection string near 'junk'"_s;
    QTest::newRow("open quote") << u"Provider=Microsoft.Jet.OLEDB.4.0;Data Source=\"/a"_s
                                << u"Malformed connection string near '\"/a'"_s;
}

void ConnectionTest::rejectsConnectionStrings() {
    QFETCH(QString, text);
    QFETCH(QString, message);
    try {
        db::parseConnectionString(text);
        QFAIL("no error");
    } catch (const db::DatabaseError& error) {
        QCOMPARE(QString::fromUtf8(error.what()), message);
    }
}

void ConnectionTest::failedOpenLeavesNothingOpen_data() {
    QTest::addColumn<QByteArray>("content"); // a null array: no file at all
    QTest::addColumn<QString>("message");

    QFile source(engineFixturePath("mdbreader_V2000_no-password.mdb"));
    QVERIFY(source.open(QIODevice::ReadOnly));
    QTest::newRow("missing") << QByteArray() << u"Cannot open"_s;
    QTest::newRow("truncated") << source.read(3 * 4096 + 512) << u"is truncated"_s;
    QTest::newRow("foreign") << QByteArray("PK\3\4 not a database at all") << u"not a Jet 4.0"_s;
}

void ConnectionTest::failedOpenLeavesNothingOpen() {
    QFETCH(QByteArray, content);
    QFETCH(QString, message);
    CopiedDatabase database;
    QFile::remove(database.path);
    if (!content.isNull()) {
        QFile file(database.path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    db::Connection connection;
    connection.setConnectionString(database.connectionString());
    try {
        connection.open();
        QFAIL("no error");
    } catch (const std::runtime_error& error) {
        const QString text = QString::fromUtf8(error.what());
        QVERIFY2(text.contains(message) && text.contains(database.path), error.what());
    }
    QVERIFY(!connection.connected());
    if (!content.isNull()) {
        QVERIFY(canLockExclusively(database.path));
    }
}

void ConnectionTest::runsStatements_data() {
    QTest::addColumn<QString>("statement");
    QTest::addColumn<QStringList>("fields");
    QTest::addColumn<QStringList>("rows");

    const QStringList all = {u"1|One"_s, u"2|Two"_s, u"3|Three"_s};
    QTest::newRow("all columns in table order")
        << u"Select * from Table1\r\n"_s << QStringList{u"ID"_s, u"Data"_s} << all;
    QTest::newRow("named columns in their order, case ignored")
        << u"select data,id from TABLE1"_s << QStringList{u"Data"_s, u"ID"_s}
        << QStringList{u"One|1"_s, u"Two|2"_s, u"Three|3"_s};
    QTest::newRow("a column twice")
        << u"select Data, Data from Table1"_s << QStringList{u"Data"_s, u"Data"_s}
        << QStringList{u"One|One"_s, u"Two|Two"_s, u"Three|Three"_s};
    QTest::newRow("like without regard to case")
        << u"select * from Table1 where Data like 't%'"_s << QStringList{u"ID"_s, u"Data"_s}
        << QStringList{u"2|Two"_s, u"3|Three"_s};
    QTest::newRow("or keeps storage order, a row once")
        << u"select * from Table1 where Data like '%e' or Data like '%o%' or ID like '1'"_s
        << QStringList{u"ID"_s, u"Data"_s} << all;
    QTest::newRow("nothing matches") << u"select * from Table1 where Data like '%x%'"_s
                                     << QStringList{u"ID"_s, u"Data"_s} << QStringList();
}

void ConnectionTest::runsStatements() {
    QFETCH(QString, statement);
    QFETCH(QStringList, fields);
    QFETCH(QStringList, rows);
    CopiedDatabase database;
    db::Connection connection;
    connection.setConnectionString(database.connectionString());
    connection.open();
    const db::QueryResult result = connection.execute(statement);
    QStringList names;
    for (int f = 0; f < result.fieldCount(); ++f) {
        names << result.fieldName(f);
    }
    QCOMPARE(names, fields);
    QCOMPARE(rowsOf(result), rows);
}

void ConnectionTest::searchesRemedies_data() {
    QTest::addColumn<QString>("statement");
    QTest::addColumn<QStringList>("numbers");

    QTest::newRow("NULL body reads as empty")
        << u"Select 编号,标题,内容 from data where 编号 like '2'"_s << QStringList{u"2|川乌丸|"_s};
    QTest::newRow("NULL passes no like, empty passes %")
        << u"Select 编号 from data where 内容 like '%'"_s << QStringList{u"1"_s, u"3"_s, u"4"_s};
    QTest::newRow("title or body, case ignored")
        << u"Select 编号 from data where 标题 like '%ABC%' or 内容 like '%vitamin c%' \r\n"_s
        << QStringList{u"1"_s, u"3"_s};
    QTest::newRow("doubled apostrophe")
        << u"Select 编号 from data where 内容 like '%it''s%'"_s << QStringList{u"1"_s};
    QTest::newRow("underscore on CJK")
        << u"Select 编号 from data where 标题 like '川_丸'"_s << QStringList{u"2"_s};
    QTest::newRow("end of a long body")
        << u"Select 编号 from data where 内容 like '%长尾'"_s << QStringList{u"4"_s};
}

void ConnectionTest::searchesRemedies() {
    QFETCH(QString, statement);
    QFETCH(QStringList, numbers);
    CopiedDatabase database("small_remedies.mdb");
    db::Connection connection;
    connection.setConnectionString(database.connectionString());
    connection.open();
    QCOMPARE(rowsOf(connection.execute(statement)), numbers);
}

void ConnectionTest::reportsUnknownNames_data() {
    QTest::addColumn<QString>("statement");
    QTest::addColumn<QString>("message");
    QTest::newRow("table") << u"select * from data"_s << u"Unknown table 'data'"_s;
    QTest::newRow("column") << u"select ID, foo from Table1"_s << u"Unknown column 'foo'"_s;
    QTest::newRow("column in like")
        << u"select * from Table1 where bar like 'x'"_s << u"Unknown column 'bar'"_s;
    QTest::newRow("syntax") << u"select * from Table1 xyz"_s
                            << u"Syntax error in query near 'xyz'"_s;
}

void ConnectionTest::reportsUnknownNames() {
    QFETCH(QString, statement);
    QFETCH(QString, message);
    CopiedDatabase database;
    db::Connection connection;
    connection.setConnectionString(database.connectionString());
    connection.open();
    try {
        connection.execute(statement);
        QFAIL("no error");
    } catch (const db::DatabaseError& error) {
        QCOMPARE(QString::fromUtf8(error.what()), message);
    }
    // The failure leaves the connection usable.
    QVERIFY(connection.connected());
    QCOMPARE(connection.execute(u"select * from Table1"_s).rowCount(), 3);
}

void ConnectionTest::holdsTheFileWhileConnected() {
    CopiedDatabase database;
    db::Connection connection;
    QSignalSpy aboutToClose(&connection, &db::Connection::aboutToClose);
    connection.setConnectionString(database.connectionString());
    connection.open();
    connection.open(); // opening an open connection does nothing
    QVERIFY(connection.connected());
    QVERIFY(!canLockExclusively(database.path));

    // The table is read once: the cache answers after the file is gone.
    QCOMPARE(connection.execute(u"select * from Table1"_s).rowCount(), 3);
    QVERIFY(QFile::remove(database.path));
    QCOMPARE(connection.execute(u"select * from Table1 where Data like 'One'"_s).rowCount(), 1);

    connection.close();
    QCOMPARE(aboutToClose.size(), 1);
    QVERIFY(!connection.connected());
    connection.close();
    QCOMPARE(aboutToClose.size(), 1);
}

// The engine maps a database file only when nobody but its owner, this user, may change it:
// another user who could write the file could cut it short under the mapping, and reading a page
// past its end would kill the program. Any other file is read into memory while opening, so
// cutting it short afterwards changes nothing the connection reads.
void ConnectionTest::keepsAFileOthersMayChangeInMemory_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("ownedByOther");
    QTest::newRow("writable by the group") << 0660 << false;
    QTest::newRow("writable by others") << 0606 << false;
    QTest::newRow("another user's") << 0666 << true;
}

void ConnectionTest::keepsAFileOthersMayChangeInMemory() {
    QFETCH(int, mode);
    QFETCH(bool, ownedByOther);
    CopiedDatabase database;
    const QByteArray native = QFile::encodeName(database.path);
    QCOMPARE(::chmod(native.constData(), static_cast<mode_t>(mode)), 0);
    if (ownedByOther) {
        constexpr uid_t kNobody = 65534;
        if (::geteuid() != 0) {
            QSKIP("giving a file to another user needs root");
        }
        QCOMPARE(::chown(native.constData(), kNobody, kNobody), 0);
    }
    db::Connection connection;
    connection.setConnectionString(database.connectionString());
    connection.open();
    QCOMPARE(::truncate(native.constData(), 0), 0);
    QCOMPARE(rowsOf(connection.execute(u"select * from Table1"_s)),
             QStringList({u"1|One"_s, u"2|Two"_s, u"3|Three"_s}));
}

void ConnectionTest::refusesStatementsWhenClosed() {
    db::Connection connection;
    QVERIFY_THROWS_EXCEPTION(db::DatabaseError, connection.execute(u"select * from Table1"_s));
}

// A table read ahead (numbered from 1) and then a change to the file (numbered from 4 after it):
// the first statement shows which of the two it read.
void ConnectionTest::takesATableReadAheadOnlyFromTheSameFile_data() {
    QTest::addColumn<QString>("change");
    QTest::addColumn<QString>("firstNumber");
    QTest::newRow("same file, rewritten in place: the table read ahead") << u"rewrite"_s << u"1"_s;
    QTest::newRow("another file put in its place: read afresh") << u"replace"_s << u"4"_s;
    QTest::newRow("read ahead for another table: read afresh") << u"other table"_s << u"4"_s;
    QTest::newRow("read ahead before the file existed: read afresh") << u"missing"_s << u"4"_s;
    QTest::newRow("dropped by closing: read afresh") << u"reopen"_s << u"4"_s;
}

void ConnectionTest::takesATableReadAheadOnlyFromTheSameFile() {
    QFETCH(QString, change);
    QFETCH(QString, firstNumber);
    QTemporaryDir dir;
    const QString path = dir.filePath(u"ResBuild.dll"_s);
    const QByteArray before = remedyDatabase(1);
    const QByteArray after = remedyDatabase(4);
    QCOMPARE(before.size(), after.size());
    if (change != u"missing")
        QVERIFY(rewriteInPlace(path, before));

    db::TableReadAhead ahead = db::readTableAhead(path, u"DATA"_s);
    QCOMPARE(ahead.data != nullptr, change != u"missing");
    if (change == u"other table")
        ahead.table = u"other"_s;
    QVERIFY(change == u"replace" ? replaceFile(path, after) : rewriteInPlace(path, after));

    db::Connection connection;
    connection.keepReadAhead(ahead);
    connection.setConnectionString(u"Provider=Microsoft.Jet.OLEDB.4.0;Data Source="_s + path);
    if (change == u"reopen") {
        connection.open();
        connection.close();
    }
    connection.open();
    const db::QueryResult result = connection.execute(u"select 编号 from data"_s);
    QCOMPARE(result.rowCount(), 3);
    QCOMPARE(result.text(0, 0), firstNumber);
}

// A start whose connection never opened (the window's creation failed) still lets go of the
// table it read ahead when it closes, instead of keeping it until the program ends.
void ConnectionTest::closeDropsATableReadAheadOfAFailedStart() {
    QTemporaryDir dir;
    const QString path = dir.filePath(u"ResBuild.dll"_s);
    QVERIFY(rewriteInPlace(path, remedyDatabase(1)));
    db::TableReadAhead ahead = db::readTableAhead(path, u"data"_s);
    QVERIFY(ahead.data != nullptr);
    const std::weak_ptr<const db::TableData> table = ahead.data;

    db::Connection connection;
    connection.keepReadAhead(std::move(ahead));
    QVERIFY(!table.expired());
    connection.close();
    QVERIFY(!connection.connected());
    QVERIFY(table.expired());
}

QTEST_GUILESS_MAIN(ConnectionTest)
#include "connection_test.moc"
