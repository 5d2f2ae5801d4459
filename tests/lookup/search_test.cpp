#include "lookup/search.h"

#include "db/statement.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;

class SearchTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void statementForAPlainKeyword() {
        QCOMPARE(lookup::searchStatement(u"补气"_s),
                 u"Select * from data where 标题 like '%补气%' or 内容 like '%补气%' "_s);
    }

    void statementMatchesTheKeywordLiterally_data() {
        QTest::addColumn<QString>("keyword");

        QTest::newRow("plain") << u"补气"_s;
        QTest::newRow("prompt text") << u"请输入搜索关键词"_s;
        QTest::newRow("empty") << QString();
        QTest::newRow("spaces kept") << u" 补气 "_s;
        QTest::newRow("single apostrophe") << u"'"_s;
        QTest::newRow("apostrophe inside") << u"gou'qi"_s;
        QTest::newRow("doubled apostrophe") << u"''"_s;
        QTest::newRow("statement text after apostrophe") << u"x' or 标题 like '%"_s;
        QTest::newRow("wildcards kept") << u"%_"_s;
    }

    // The engine reads the statement back as two like tests whose pattern is the keyword
    // between wildcards, whatever apostrophes the keyword holds.
    void statementMatchesTheKeywordLiterally() {
        QFETCH(QString, keyword);
        const db::SelectStatement read = db::parseStatement(lookup::searchStatement(keyword));

        QVERIFY(read.columns.isEmpty());
        QCOMPARE(read.table, u"data"_s);
        QCOMPARE(read.anyOf.size(), 2u);
        const QString pattern = u'%' + keyword + u'%';
        QCOMPARE(read.anyOf[0].column, u"标题"_s);
        QCOMPARE(read.anyOf[0].pattern, pattern);
        QCOMPARE(read.anyOf[1].column, u"内容"_s);
        QCOMPARE(read.anyOf[1].pattern, pattern);
    }

    void message_data() {
        QTest::addColumn<QString>("keyword");
        QTest::addColumn<qsizetype>("hits");
        QTest::addColumn<QString>("message");

        QTest::newRow("hits") << u"补气"_s << qsizetype(12) << u"关于补气的信息,共搜索到12条"_s;
        QTest::newRow("none, prompt text")
            << u"请输入搜索关键词"_s << qsizetype(0) << u"关于请输入搜索关键词的信息,共搜索到0条"_s;
        QTest::newRow("no digit grouping")
            << u"%"_s << qsizetype(8030) << u"关于%的信息,共搜索到8030条"_s;
        QTest::newRow("keyword as typed")
            << u" a'b "_s << qsizetype(1) << u"关于 a'b 的信息,共搜索到1条"_s;
    }

    void message() {
        QFETCH(QString, keyword);
        QFETCH(qsizetype, hits);
        QFETCH(QString, message);
        QCOMPARE(lookup::searchMessage(keyword, hits), message);
    }
};

QTEST_GUILESS_MAIN(SearchTest)
#include "search_test.moc"
