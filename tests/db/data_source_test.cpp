#include "db/connection.h"
#include "db/data_source.h"
#include "db/record_set.h"
#include "engine_fixture.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

class DataSourceTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void followsTheRecordSet();
};

void DataSourceTest::followsTheRecordSet() {
    CopiedDatabase database;
    db::Connection connection;
    connection.setConnectionString(database.connectionString());
    db::RecordSet set(u"ADOQuery1"_s, connection);
    db::DataSource model(set);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QSignalSpy resets(&model, &QAbstractItemModel::modelReset);

    QCOMPARE(model.rowCount(), 0);
    QCOMPARE(model.columnCount(), 0);
    QCOMPARE(&model.recordSet(), &set);

    set.addSqlLine(u"Select * from Table1"_s);
    set.open();
    QCOMPARE(resets.size(), 1);
    QCOMPARE(model.rowCount(), 3);
    QCOMPARE(model.columnCount(), 2);
    QCOMPARE(model.headerData(0, Qt::Horizontal).toString(), u"ID"_s);
    QCOMPARE(model.headerData(1, Qt::Horizontal).toString(), u"Data"_s);
    QCOMPARE(model.index(2, 1).data().toString(), u"Three"_s);
    QCOMPARE(model.index(0, 0).data().toString(), u"1"_s);
    QVERIFY(!(model.flags(model.index(0, 1)) & Qt::ItemIsEditable));
    QVERIFY(!model.setData(model.index(0, 1), u"changed"_s));

    // A search narrows the grid; moving the current record does not reset it.
    set.close();
    set.clearSql();
    set.addSqlLine(u"Select Data from Table1 where Data like 't%'"_s);
    set.open();
    set.moveBy(1);
    QCOMPARE(resets.size(), 3);
    QCOMPARE(model.rowCount(), 2);
    QCOMPARE(model.columnCount(), 1);
    QCOMPARE(model.index(1, 0).data().toString(), u"Three"_s);

    connection.close();
    QCOMPARE(resets.size(), 4);
    QCOMPARE(model.rowCount(), 0);
    QCOMPARE(model.columnCount(), 0);
}

QTEST_GUILESS_MAIN(DataSourceTest)
#include "data_source_test.moc"
