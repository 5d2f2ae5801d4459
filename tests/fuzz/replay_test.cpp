// Replays the stored inputs of one fuzz target (its seeds, and the damaged files kept with them)
// through the target's own entry, as the fuzzer runs them: each passes the target's checks, with
// nothing thrown past it and not a word on standard error.

#include "standard_error_capture.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

class ReplayTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void storedInputPasses_data() {
        QTest::addColumn<QString>("path");
        const QDir inputs(QStringLiteral(VORLANTIX_REPLAY_DIRECTORY));
        const QStringList names =
            inputs.entryList({QStringLiteral(VORLANTIX_REPLAY_FILTER)}, QDir::Files, QDir::Name);
        QVERIFY(!names.isEmpty());
        for (const QString& name : names)
            QTest::newRow(qPrintable(name)) << inputs.filePath(name);
    }
    void storedInputPasses() {
        QFETCH(QString, path);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray input = file.readAll();
        StandardErrorCapture standardError;
        const int result =
            LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(input.constData()),
                                   static_cast<std::size_t>(input.size()));
        QCOMPARE(standardError.text(), QByteArray());
        QCOMPARE(result, 0);
    }
};

QTEST_GUILESS_MAIN(ReplayTest)
#include "replay_test.moc"
