#include "lookup/format_remedy_body.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;

class FormatRemedyBodyTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void formats_data() {
        QTest::addColumn<QString>("body");
        QTest::addColumn<QString>("shown");

        QTest::newRow("starts with a heading")
            << u"【出处】《验方》"_s << u"\r\n【出处】《验方》"_s;
        QTest::newRow("no heading, no marker")
            << u"当归三钱，水煎服。"_s << u"当归三钱，水煎服。"_s;
        QTest::newRow("adjacent headings") << u"甲【【乙"_s << u"甲\r\n【\r\n【乙"_s;
        QTest::newRow("line break already before a heading")
            << u"甲\r\n【组成】乙"_s << u"甲\r\n\r\n【组成】乙"_s;
        QTest::newRow("only markers") << u"###"_s << QString();
        QTest::newRow("empty") << QString() << QString();
        QTest::newRow("two sections and a marker")
            << u"【出处】甲【组成】乙#"_s << u"\r\n【出处】甲\r\n【组成】乙"_s;
        QTest::newRow("markers around a heading") << u"#【#"_s << u"\r\n【"_s;
        QTest::newRow("look-alikes stay") << u"】〖＃"_s << u"】〖＃"_s;
    }

    void formats() {
        QFETCH(QString, body);
        QFETCH(QString, shown);
        QCOMPARE(lookup::FormatRemedyBody(body), shown);
    }
};

QTEST_GUILESS_MAIN(FormatRemedyBodyTest)
#include "format_remedy_body_test.moc"
