#include "readback_cases.h"

#include "remedy_samples.h"

#include "jet/remedy_database.h"
#include "jet/remedy_tsv.h"

#include <QTest>

namespace jettest {

void addReadbackRows(const QString& scratchDirectory) {
    QTest::addColumn<QString>("database");
    QTest::addColumn<QString>("source");
    const QString edgeDatabase = scratchDirectory + QStringLiteral("/edge_cases.mdb");
    jet::writeRemedyDatabaseFile(edgeCases(), edgeDatabase.toStdString());
    QTest::newRow("edge cases") << edgeDatabase << QString::fromStdString(edgeCaseTsvPath());
#ifdef JET_FULL_DATABASE
    QTest::newRow("full collection")
        << QStringLiteral(JET_FULL_DATABASE) << QStringLiteral(JET_FULL_SOURCE);
#endif
}

std::vector<jet::Remedy> readSource(const QString& sourcePath) {
    return jet::readRemedyTsvFile(sourcePath.toStdString());
}

} // namespace jettest
