#include "assets/embedded_database.h"
#include "db/resources.h"

#include <QFile>
#include <QTest>

// The program must carry the database exactly as the writer wrote it: the working copy is a plain
// byte copy of what is embedded, and any difference would be a damaged database at every start.
class EmbeddedDatabaseTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void embeddedBytesEqualTheDatabaseFile() {
        registerEmbeddedDatabase();
        const auto bytes = db::findResource(u"mdb", u"ResBuild");
        QVERIFY(bytes.has_value());

        QFile file(QStringLiteral(REMEDY_DATABASE_FILE));
        QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(file.errorString()));
        const QByteArray expected = file.readAll();
        QCOMPARE(qsizetype(bytes->size()), expected.size());
        QVERIFY(std::equal(bytes->begin(), bytes->end(),
                           reinterpret_cast<const std::byte*>(expected.constData())));
    }
};

QTEST_GUILESS_MAIN(EmbeddedDatabaseTest)
#include "embedded_database_test.moc"
