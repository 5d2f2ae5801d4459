#include "lookup/categories.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;

class CategoriesTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void entriesInListOrder() {
        const QStringList expected{
            u"补气"_s, u"补血"_s, u"安神"_s,   u"阳痿"_s,   u"壮阳"_s, u"跌打"_s, u"烧伤"_s,
            u"冻伤"_s, u"痔疮"_s, u"痤疮"_s,   u"黄褐斑"_s, u"雀斑"_s, u"脱发"_s, u"白发"_s,
            u"泌尿"_s, u"消化"_s, u"寄生虫"_s, u"产后"_s,   u"月经"_s, u"滋补"_s,
        };
        QCOMPARE(lookup::categoryEntries(), expected);
        QVERIFY(!lookup::categoryEntries().contains(lookup::categoryCaption()));
    }

    void startsSearch_data() {
        QTest::addColumn<QString>("boxText");
        QTest::addColumn<bool>("searched");

        QTest::newRow("empty") << QString() << false;
        QTest::newRow("caption") << u"分类查看"_s << false;
        QTest::newRow("caption and a space") << u"分类查看 "_s << true;
        QTest::newRow("beginning of the caption") << u"分类查"_s << true;
        QTest::newRow("entry") << u"补气"_s << true;
        QTest::newRow("a space") << u" "_s << true;
    }

    void startsSearch() {
        QFETCH(QString, boxText);
        QFETCH(bool, searched);
        QCOMPARE(lookup::categoryStartsSearch(boxText), searched);
    }
};

QTEST_GUILESS_MAIN(CategoriesTest)
#include "categories_test.moc"
