// mdb-reader (npm), an implementation independent of mdbtools, reads the written databases back:
// the table list, the column names, and every row in storage order with NULL kept apart from
// empty text.

#include "readback_cases.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class MdbReaderReadbackTest : public QObject {
    Q_OBJECT

    QTemporaryDir scratch_;

private Q_SLOTS:
    void initTestCase() {
        // A missing installation is a failure, not a reason to skip: the check must run.
        QVERIFY2(QFileInfo::exists(QStringLiteral(READERS_DIR) +
                                   u"/node_modules/mdb-reader/package.json"_s),
                 "mdb-reader is not installed: run npm ci --prefix tests/readers");
    }

    void readsEveryRow_data() { jettest::addReadbackRows(scratch_.path()); }

    void readsEveryRow() {
        QFETCH(QString, database);
        QFETCH(QString, source);
        const std::vector<jet::Remedy> remedies = jettest::readSource(source);

        QProcess node;
        node.setWorkingDirectory(QStringLiteral(READERS_DIR));
        node.start(u"node"_s, {u"dump_table.mjs"_s, database, u"data"_s});
        QVERIFY(node.waitForFinished(60000));
        const QByteArray errors = node.readAllStandardError();
        QVERIFY2(node.exitStatus() == QProcess::NormalExit && node.exitCode() == 0,
                 errors.constData());

        QJsonParseError parseError{};
        const QJsonObject dump =
            QJsonDocument::fromJson(node.readAllStandardOutput(), &parseError).object();
        QCOMPARE(parseError.error, QJsonParseError::NoError);
        QCOMPARE(dump[u"tables"_s].toArray(), QJsonArray{u"data"_s});
        QCOMPARE(dump[u"systemTables"_s].toArray().size(), 8);
        QCOMPARE(dump[u"columns"_s].toArray(), (QJsonArray{u"编号"_s, u"标题"_s, u"内容"_s}));

        const QJsonArray rows = dump[u"rows"_s].toArray();
        QCOMPARE(rows.size(), qsizetype(remedies.size()));
        for (std::size_t i = 0; i < remedies.size(); ++i) {
            const QJsonArray row = rows[qsizetype(i)].toArray();
            const jet::Remedy& remedy = remedies[i];
            QCOMPARE(row[0].toInteger(-1), qint64(remedy.id));
            QCOMPARE(row[1].toString(), QString::fromStdU16String(remedy.title));
            QCOMPARE(row[2].isNull(), !remedy.body.has_value());
            if (remedy.body) {
                QCOMPARE(row[2].toString(), QString::fromStdU16String(*remedy.body));
            }
        }
    }
};

QTEST_GUILESS_MAIN(MdbReaderReadbackTest)
#include "mdbreader_readback_test.moc"
