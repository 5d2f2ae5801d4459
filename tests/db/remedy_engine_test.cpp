#include "db/connection.h"
#include "db/record_set.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

struct Remedy {
    QString number;
    QString title;
    QString body; // "" for NULL
    bool bodyIsNull = false;
};

} // namespace

// The engine over the program's own 8,030-row database, checked against mdbtools' mdb-json.
class RemedyEngineTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void readsEveryRemedy();
    void searchesLikeASubstringScan_data();
    void searchesLikeASubstringScan();

private:
    void openStatement(const QString& statement);

    QTemporaryDir dir_;
    QList<Remedy> expected_;
    db::Connection connection_;
    db::RecordSet set_{u"ADOQuery1"_s, connection_};
};

void RemedyEngineTest::initTestCase() {
    const QString path = dir_.filePath(u"ResBuild.dll"_s);
    QVERIFY(QFile::copy(QStringLiteral(VORLANTIX_REMEDY_DATABASE), path));
    QProcess json;
    json.start(u"mdb-json"_s, {path, u"data"_s});
    if (!json.waitForStarted()) {
        QSKIP("mdb-json (mdbtools) is not installed");
    }
    QVERIFY(json.waitForFinished(60000));
    for (const QByteArray& line : json.readAllStandardOutput().split('\n')) {
        if (line.isEmpty()) {
            continue;
        }
        const QJsonObject row = QJsonDocument::fromJson(line).object();
        expected_.append({QString::number(row[u"编号"_s].toInteger()), row[u"标题"_s].toString(),
                          row[u"内容"_s].toString(), !row.contains(u"内容"_s)});
    }
    QCOMPARE(expected_.size(), 8030);
    connection_.setConnectionString(u"Provider=Microsoft.Jet.OLEDB.4.0;Data Source="_s + path +
                                    u";Persist Security Info=False"_s);
}

void RemedyEngineTest::openStatement(const QString& statement) {
    set_.close();
    set_.clearSql();
    set_.addSqlLine(statement);
    set_.open();
}

void RemedyEngineTest::readsEveryRemedy() {
    for (const QString& statement :
         {u"Select * from data"_s, u"Select 编号,标题,内容 from data"_s}) {
        openStatement(statement);
        QCOMPARE(set_.recordCount(), 8030);
        QCOMPARE(set_.fieldName(0), u"编号"_s);
        QCOMPARE(set_.fieldName(1), u"标题"_s);
        QCOMPARE(set_.fieldName(2), u"内容"_s);
        for (int row = 0; row < expected_.size(); ++row) {
            const Remedy& remedy = expected_[row];
            QCOMPARE(set_.valueText(row, 0), remedy.number);
            QCOMPARE(set_.valueText(row, 1), remedy.title);
            QCOMPARE(set_.valueText(row, 2), remedy.body);
        }
    }
    const auto withoutBody = std::find_if(expected_.begin(), expected_.end(),
                                          [](const Remedy& r) { return r.bodyIsNull; });
    QVERIFY(withoutBody != expected_.end());
    QCOMPARE(withoutBody->number, u"2665"_s);
}

void RemedyEngineTest::searchesLikeASubstringScan_data() {
    QTest::addColumn<QString>("keyword");
    for (const QString& keyword : {u"补气"_s,   u"补血"_s,
                                   u"安神"_s,   u"阳痿"_s,
                                   u"壮阳"_s,   u"跌打"_s,
                                   u"烧伤"_s,   u"冻伤"_s,
                                   u"痔疮"_s,   u"痤疮"_s,
                                   u"黄褐斑"_s, u"雀斑"_s,
                                   u"脱发"_s,   u"白发"_s,
                                   u"泌尿"_s,   u"消化"_s,
                                   u"寄生虫"_s, u"产后"_s,
                                   u"月经"_s,   u"滋补"_s,
                                   u"【"_s,     u"请输入搜索关键词"_s}) {
        QTest::newRow(keyword.toUtf8().constData()) << keyword;
    }
}

void RemedyEngineTest::searchesLikeASubstringScan() {
    QFETCH(QString, keyword);
    openStatement(u"Select * from data where 标题 like '%"_s + keyword + u"%' or 内容 like '%"_s +
                  keyword + u"%' "_s);
    QStringList expectedNumbers;
    for (const Remedy& remedy : std::as_const(expected_)) {
        if (remedy.title.contains(keyword) || remedy.body.contains(keyword)) {
            expectedNumbers.append(remedy.number);
        }
    }
    QStringList numbers;
    for (int row = 0; row < set_.recordCount(); ++row) {
        numbers.append(set_.valueText(row, 0));
    }
    QCOMPARE(numbers, expectedNumbers);
    QCOMPARE(set_.eof(), expectedNumbers.isEmpty());
}

QTEST_GUILESS_MAIN(RemedyEngineTest)
#include "remedy_engine_test.moc"
