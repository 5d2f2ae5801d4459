// Input the writer cannot store faithfully is refused with a message naming the fault, and the
// jet4write tool then leaves no output file behind.

#include "jet/error.h"
#include "jet/remedy_database.h"
#include "jet/remedy_tsv.h"
#include "jet/row_encoder.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <sstream>

using namespace Qt::StringLiterals;

namespace {

QString refusalOf(const QByteArray& tsv) {
    std::istringstream in(tsv.toStdString());
    try {
        jet::writeRemedyDatabase(jet::readRemedyTsv(in));
    } catch (const jet::Error& error) {
        return QString::fromUtf8(error.what());
    }
    return {};
}

void writeFile(const QString& path, const QByteArray& content) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
}

} // namespace

class WriterRefusalTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void refusesInputItCannotStore_data() {
        QTest::addColumn<QByteArray>("tsv");
        QTest::addColumn<QString>("message");
        const QByteArray longTitle = QString(256, u'题').toUtf8();
        const QByteArray fullTitle = QString(255, u'题').toUtf8();

        QTest::newRow("two fields")
            << QByteArray("1\ttitle\n") << u"line 1: expected three fields"_s;
        QTest::newRow("four fields")
            << QByteArray("1\ta\tb\tc\n") << u"line 1: expected three fields"_s;
        QTest::newRow("empty line")
            << QByteArray("1\ta\tb\n\n") << u"line 2: expected three fields"_s;
        QTest::newRow("comments count as lines")
            << QByteArray("# note\n1\ta\tb\n2\ta\n") << u"line 3:"_s;
        QTest::newRow("number not numeric")
            << QByteArray("x\ta\tb\n") << u"line 1: the record number"_s;
        QTest::newRow("number with a tail")
            << QByteArray("12a\ta\tb\n") << u"line 1: the record number"_s;
        QTest::newRow("number beyond 32 bits")
            << QByteArray("2147483648\ta\tb\n") << u"line 1: the record number"_s;
        QTest::newRow("unknown escape")
            << QByteArray("1\ta\tb\\x\n") << u"line 1: unknown escape"_s;
        QTest::newRow("backslash at the end")
            << QByteArray("1\ta\tb\\\n") << u"line 1: unknown escape"_s;
        QTest::newRow("NULL title is not a thing")
            << QByteArray("1\t\\N\tb\n") << u"line 1: unknown escape"_s;
        QTest::newRow("malformed UTF-8")
            << QByteArray("1\t\xff\tb\n") << u"line 1: malformed UTF-8"_s;
        QTest::newRow("encoded surrogate")
            << QByteArray("1\ta\t\xed\xa0\x80\n") << u"line 1: malformed UTF-8"_s;
        QTest::newRow("outside the BMP")
            << QByteArray("1\ta\t\xf0\x9f\x98\x80\n")
            << u"line 1: characters outside the Basic Multilingual Plane"_s;
        QTest::newRow("raw carriage return")
            << QByteArray("1\ta\tb\r\n") << u"line 1: carriage return"_s;
        QTest::newRow("title of 256 characters")
            << QByteArray("1\t" + longTitle + "\tb\n") << u"record 1: title has 256 characters"_s;
        QTest::newRow("title starting with U+FEFF") << QByteArray("1\t\xef\xbb\xbf"
                                                                  "a\tb\n")
                                                    << u"record 1: title starts with U+FEFF"_s;
        QTest::newRow("body starting with U+FEFF") << QByteArray("1\ta\t\xef\xbb\xbf"
                                                                 "b\n")
                                                   << u"record 1: body starts with U+FEFF"_s;
        QTest::newRow("number twice")
            << QByteArray("1\ta\tb\n1\tc\td\n") << u"record 1: record number occurs twice"_s;
        QTest::newRow("number zero")
            << QByteArray("0\ta\tb\n") << u"record 0: record numbers must be positive"_s;
        QTest::newRow("negative number")
            << QByteArray("-3\ta\tb\n") << u"record -3: record numbers must be positive"_s;
        // Accepted: the limits themselves.
        QTest::newRow("title of 255 characters")
            << QByteArray("1\t" + fullTitle + "\tb\n") << QString();
        QTest::newRow("U+FEFF inside a text") << QByteArray("1\ta\xef\xbb\xbf\tb\n") << QString();
        QTest::newRow("largest number") << QByteArray("2147483647\ta\t\\N\n") << QString();
    }

    void refusesInputItCannotStore() {
        QFETCH(QByteArray, tsv);
        QFETCH(QString, message);
        const QString refusal = refusalOf(tsv);
        if (message.isEmpty()) {
            QCOMPARE(refusal, QString());
        } else {
            QVERIFY2(refusal.startsWith(message), qPrintable(refusal));
        }
    }

    // Texts handed to the library directly (not through the source file) are checked too.
    void refusesSurrogatesGivenDirectly() {
        const std::u16string emoji = u"\U0001F600";
        QVERIFY_THROWS_EXCEPTION(jet::Error, jet::writeRemedyDatabase({{1, u"a", emoji}}));
        QVERIFY_THROWS_EXCEPTION(jet::Error, jet::writeRemedyDatabase({{1, emoji, std::nullopt}}));
    }

    // The remedy table keeps long bodies out of its rows, so only a wider table can build a row
    // past a page's limit; the encoder refuses it instead of writing a page that overflows.
    void refusesRowsLongerThanAPage() {
        const jet::TableDefinition wide{
            u"wide",
            false,
            {{u"text", jet::ColumnType::Text, 0, jet::column_flag::kNullable, 8000}},
            {}};
        auto rowWith = [&](std::size_t bytes) {
            return jet::encodeRow(wide, {jet::Bytes(bytes, 0x41)});
        };
        QCOMPARE(rowWith(4051).size(), std::size_t(4060)); // the largest row Jet accepts
        QVERIFY_THROWS_EXCEPTION(jet::Error, rowWith(4052));
    }

    void toolReportsAndLeavesNoFile_data() {
        QTest::addColumn<QByteArray>("tsv");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("message");
        QTest::newRow("bad line") << QByteArray("1\ta\tb\n2\tonly two\n") << 1 << u"line 2:"_s;
        QTest::newRow("duplicate number")
            << QByteArray("1\ta\tb\n1\ta\tb\n") << 1 << u"record 1:"_s;
        QTest::newRow("good source") << QByteArray("2\ta\tb\n1\tc\t\\N\n") << 0 << QString();
    }

    void toolReportsAndLeavesNoFile() {
        QFETCH(QByteArray, tsv);
        QFETCH(int, exitCode);
        QFETCH(QString, message);
        QTemporaryDir dir;
        const QString source = dir.filePath(u"remedies.tsv"_s);
        const QString output = dir.filePath(u"out.mdb"_s);
        writeFile(source, tsv);
        writeFile(output, "an older database"); // a failed run must not leave it standing

        QProcess tool;
        tool.start(QStringLiteral(JET4WRITE_PATH), {source, output});
        QVERIFY(tool.waitForFinished());
        QCOMPARE(tool.exitStatus(), QProcess::NormalExit);
        QCOMPARE(tool.exitCode(), exitCode);
        const QString errors = QString::fromUtf8(tool.readAllStandardError());
        QCOMPARE(QFileInfo::exists(output), exitCode == 0);
        QCOMPARE(QFileInfo::exists(output + u".partial"_s), false);
        if (exitCode == 0) {
            QVERIFY(errors.isEmpty());
            QCOMPARE(QFileInfo(output).size() % 4096, 0);
        } else {
            QVERIFY2(errors.contains(message), qPrintable(errors));
        }
    }

    void toolNeedsTwoArguments() {
        QProcess tool;
        tool.start(QStringLiteral(JET4WRITE_PATH), {u"only-one"_s});
        QVERIFY(tool.waitForFinished());
        QCOMPARE(tool.exitCode(), 2);
        QVERIFY(tool.readAllStandardError().contains("usage"));
    }
};

QTEST_GUILESS_MAIN(WriterRefusalTest)
#include "writer_refusal_test.moc"
