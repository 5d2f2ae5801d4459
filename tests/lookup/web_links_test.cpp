#include "lookup/web_links.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;

class WebLinksTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void cleanup() { lookup::setUrlOpener({}); }

    void links_data() {
        QTest::addColumn<QString>("version");
        QTest::addColumn<QString>("query");

        QTest::newRow("as it starts") << u"1.4.20160122"_s << u"v=Vivazud1.4.20160122"_s;
        QTest::newRow("edited") << u"2.0"_s << u"v=Vivazud2.0"_s;
        QTest::newRow("empty") << QString() << u"v=Vivazud"_s;
        QTest::newRow("spaces") << u" 1.4 beta "_s << u"v=Vivazud 1.4 beta "_s;
        QTest::newRow("ampersand and hash") << u"1&x=2#top"_s << u"v=Vivazud1&x=2#top"_s;
        QTest::newRow("non-ASCII") << u"版本一"_s << u"v=Vivazud版本一"_s;
    }

    void links() {
        QFETCH(QString, version);
        QFETCH(QString, query);
        QCOMPARE(lookup::homePageLink(version), u"http://www.dravena.example/?"_s + query);
        QCOMPARE(lookup::updatePageLink(version), u"http://update.dravena.example/?"_s + query);
    }

    void openUrlHandsTheLinkOverOncePerCall() {
        QStringList opened;
        lookup::setUrlOpener([&opened](const QString& url) { opened << url; });
        const QString link = lookup::homePageLink(u" 1&2 "_s);

        lookup::openUrl(link);
        lookup::openUrl(link);

        QCOMPARE(opened, QStringList({link, link}));
    }
};

QTEST_GUILESS_MAIN(WebLinksTest)
#include "web_links_test.moc"
