#include "lookup/search.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

// Splits a statement the way the engine reads it: text outside apostrophes is the frame (each
// quoted literal leaves "?" in its place), and inside a literal a doubled apostrophe stands for
// one. An unbalanced apostrophe leaves the last literal unterminated, which the check reports.
struct ReadStatement {
    QString frame;
    QStringList literals;
    bool terminated = true;
};

ReadStatement readStatement(const QString& statement) {
    ReadStatement read;
    for (qsizetype i = 0; i < statement.size(); ++i) {
        if (statement[i] != u'\'') {
            read.frame += statement[i];
            continue;
        }
        QString literal;
        read.terminated = false;
        for (++i; i < statement.size(); ++i) {
            if (statement[i] != u'\'') {
                literal += statement[i];
            } else if (i + 1 < statement.size() && statement[i + 1] == u'\'') {
                literal += u'\'';
                ++i;
            } else {
                read.terminated = true;
                break;
            }
        }
        read.frame += u'?';
        read.literals << literal;
    }
    return read;
}

} // namespace

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

    void statementMatchesTheKeywordLiterally() {
        QFETCH(QString, keyword);
        const ReadStatement read = readStatement(lookup::searchStatement(keyword));

        QVERIFY(read.terminated);
        QCOMPARE(read.frame, u"Select * from data where 标题 like ? or 内容 like ? "_s);
        const QString pattern = u'%' + keyword + u'%';
        QCOMPARE(read.literals, QStringList({pattern, pattern}));
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
