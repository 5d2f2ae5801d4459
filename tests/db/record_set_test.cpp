#include "db/connection.h"
#include "db/database_error.h"
#include "db/record_set.h"
#include "engine_fixture.h"

#include <QSignalSpy>
#include <QTest>

#include <memory>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString kClosedError = u"ADOQuery1: Cannot perform this operation on a closed dataset"_s;

} // namespace

class RecordSetTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void opensWithFirstRowCurrent_data();
    void opensWithFirstRowCurrent();
    void failedOpenStaysClosed_data();
    void failedOpenStaysClosed();
    void changingTheStatementCloses();
    void openAndCloseTwiceDoNothing();
    void movesWithBofAndEof_data();
    void movesWithBofAndEof();
    void closedSetRaises_data();
    void closedSetRaises();
    void closingTheConnectionClosesTheSet();

private:
    void openWith(const QString& line);

    std::unique_ptr<CopiedDatabase> database_;
    std::unique_ptr<db::Connection> connection_;
    std::unique_ptr<db::RecordSet> set_;
};

void RecordSetTest::init() {
    database_ = std::make_unique<CopiedDatabase>();
    connection_ = std::make_unique<db::Connection>();
    connection_->setConnectionString(database_->connectionString());
    set_ = std::make_unique<db::RecordSet>(u"ADOQuery1"_s, *connection_);
}

void RecordSetTest::cleanup() {
    set_.reset();
    connection_.reset();
    database_.reset();
}

void RecordSetTest::openWith(const QString& line) {
    set_->close();
    set_->clearSql();
    set_->addSqlLine(line);
    set_->open();
}

void RecordSetTest::opensWithFirstRowCurrent_data() {
    QTest::addColumn<QString>("statement");
    QTest::addColumn<int>("count");
    QTest::addColumn<bool>("eof");
    QTest::addColumn<QString>("firstData");
    QTest::newRow("whole table") << u"Select * from Table1"_s << 3 << false << u"One"_s;
    QTest::newRow("one row") << u"Select * from Table1 where Data like 'two'"_s << 1 << false
                             << u"Two"_s;
    QTest::newRow("no rows") << u"Select * from Table1 where Data like 'x'"_s << 0 << true
                             << QString();
}

void RecordSetTest::opensWithFirstRowCurrent() {
    QFETCH(QString, statement);
    QFETCH(int, count);
    QFETCH(bool, eof);
    QFETCH(QString, firstData);
    QSignalSpy opened(set_.get(), &db::RecordSet::opened);
    QVERIFY(!connection_->connected());
    openWith(statement); // opens the connection first
    QVERIFY(connection_->connected());
    QCOMPARE(opened.size(), 1);
    QVERIFY(set_->active());
    QCOMPARE(set_->recordCount(), count);
    QVERIFY(set_->bof());
    QCOMPARE(set_->eof(), eof);
    QCOMPARE(set_->currentRow(), 0);
    QCOMPARE(set_->fieldCount(), 2);
    QCOMPARE(set_->fieldName(0), u"ID"_s);
    QCOMPARE(set_->fieldName(1), u"Data"_s);
    QCOMPARE(set_->fieldText(1), firstData);
    QCOMPARE(set_->valueText(count - 1, 0),
             count == 0 ? QString() : QString::number(count == 1 ? 2 : 3));
}

void RecordSetTest::failedOpenStaysClosed_data() {
    QTest::addColumn<QString>("connectionString");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QString>("message");
    QTest::newRow("malformed statement")
        << QString() << QStringList{u"Select * from Table1 where"_s}
        << u"Syntax error in query: the statement ends too early"_s;
    QTest::newRow("statement over two lines, junk")
        << QString() << QStringList{u"Select *"_s, u"from Table1 junk"_s}
        << u"Syntax error in query near 'junk'"_s;
    QTest::newRow("no connection string")
        << u""_s << QStringList{u"Select * from Table1"_s} << u"The connection string is empty"_s;
}

void RecordSetTest::failedOpenStaysClosed() {
    QFETCH(QString, connectionString);
    QFETCH(QStringList, lines);
    QFETCH(QString, message);
    if (!connectionString.isNull()) {
        connection_->setConnectionString(connectionString);
    }
    for (const QString& line : lines) {
        set_->addSqlLine(line);
    }
    QSignalSpy opened(set_.get(), &db::RecordSet::opened);
    try {
        set_->open();
        QFAIL("no error");
    } catch (const db::DatabaseError& error) {
        QCOMPARE(QString::fromUtf8(error.what()), message);
    }
    QVERIFY(!set_->active());
    QCOMPARE(opened.size(), 0);
    QCOMPARE(set_->sql(), lines); // the statement stays for the next try
    QCOMPARE(set_->fieldCount(), 0);
}

void RecordSetTest::changingTheStatementCloses() {
    openWith(u"Select * from Table1"_s);
    QSignalSpy closed(set_.get(), &db::RecordSet::closed);
    set_->addSqlLine(u"where Data like 'One'"_s);
    QVERIFY(!set_->active());
    QCOMPARE(closed.size(), 1);
    set_->open();
    QCOMPARE(set_->recordCount(), 1);
    set_->clearSql();
    QVERIFY(!set_->active());
    QCOMPARE(closed.size(), 2);
    QVERIFY(set_->sql().isEmpty());
}

void RecordSetTest::openAndCloseTwiceDoNothing() {
    openWith(u"Select * from Table1"_s);
    set_->moveBy(2);
    QSignalSpy opened(set_.get(), &db::RecordSet::opened);
    QSignalSpy closed(set_.get(), &db::RecordSet::closed);
    set_->open();
    QCOMPARE(set_->currentRow(), 2); // not reopened
    QCOMPARE(opened.size(), 0);
    set_->close();
    set_->close();
    QCOMPARE(closed.size(), 1);
    QCOMPARE(set_->currentRow(), -1);
}

void RecordSetTest::movesWithBofAndEof_data() {
    // Moves from a fresh open of the 3-row table; after each: the current row, Bof, Eof and
    // the rows moved.
    QTest::addColumn<QList<int>>("moves");
    QTest::addColumn<QList<int>>("rows");
    QTest::addColumn<QString>("flags"); // per move: "b" Bof, "e" Eof, "-" neither
    QTest::addColumn<QList<int>>("moved");

    QTest::newRow("back right after open does nothing")
        << QList<int>{-1} << QList<int>{0} << u"b"_s << QList<int>{0};
    QTest::newRow("past the last row, again, then back")
        << QList<int>{2, 1, 1, -1} << QList<int>{2, 2, 2, 1} << u"-ee-"_s
        << QList<int>{2, 0, 0, -1};
    QTest::newRow("forward then back to the first, then past it")
        << QList<int>{1, -1, -1, -1} << QList<int>{1, 0, 0, 0} << u"--bb"_s
        << QList<int>{1, -1, 0, 0};
    QTest::newRow("a long move stops at each end")
        << QList<int>{100, -100, 1} << QList<int>{2, 0, 1} << u"eb-"_s << QList<int>{2, -2, 1};
    QTest::newRow("zero clears nothing")
        << QList<int>{0, 5, 0} << QList<int>{0, 2, 2} << u"bee"_s << QList<int>{0, 2, 0};
}

void RecordSetTest::movesWithBofAndEof() {
    QFETCH(QList<int>, moves);
    QFETCH(QList<int>, rows);
    QFETCH(QString, flags);
    QFETCH(QList<int>, moved);
    openWith(u"Select * from Table1"_s);
    QSignalSpy changes(set_.get(), &db::RecordSet::currentRowChanged);
    int lastRow = 0;
    int expectedSignals = 0;
    for (qsizetype i = 0; i < moves.size(); ++i) {
        QCOMPARE(set_->moveBy(moves[i]), moved[i]);
        QCOMPARE(set_->currentRow(), rows[i]);
        QCOMPARE(set_->bof(), flags[i] == u'b');
        QCOMPARE(set_->eof(), flags[i] == u'e');
        QCOMPARE(set_->fieldText(0), QString::number(rows[i] + 1));
        expectedSignals += rows[i] != lastRow ? 1 : 0;
        lastRow = rows[i];
    }
    QCOMPARE(changes.size(), expectedSignals);
}

void RecordSetTest::closedSetRaises_data() {
    QTest::addColumn<bool>("everOpened");
    QTest::newRow("never opened") << false;
    QTest::newRow("opened and closed") << true;
}

void RecordSetTest::closedSetRaises() {
    QFETCH(bool, everOpened);
    if (everOpened) {
        openWith(u"Select * from Table1"_s);
        set_->close();
    }
    for (const auto& operation : {std::function<void()>([this] { set_->recordCount(); }),
                                  std::function<void()>([this] { set_->moveBy(1); })}) {
        try {
            operation();
            QFAIL("no error");
        } catch (const db::DatabaseError& error) {
            QCOMPARE(QString::fromUtf8(error.what()), kClosedError);
        }
    }
    QVERIFY(!set_->eof());
    QVERIFY(!set_->bof());
    QCOMPARE(set_->fieldText(0), QString());
}

void RecordSetTest::closingTheConnectionClosesTheSet() {
    openWith(u"Select * from Table1"_s);
    QSignalSpy closed(set_.get(), &db::RecordSet::closed);
    connection_->close();
    QCOMPARE(closed.size(), 1);
    QVERIFY(!set_->active());
    // The file is released: it can be deleted, and the next open finds it gone.
    QVERIFY(QFile::remove(database_->path));
    QVERIFY_THROWS_EXCEPTION(std::runtime_error, set_->open());
    QVERIFY(!set_->active());
}

QTEST_GUILESS_MAIN(RecordSetTest)
#include "record_set_test.moc"
