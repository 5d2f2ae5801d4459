#pragma once

// A copy of an Access-made Jet 4.0 file in a fresh temporary directory, for the engine's tests.

#include <QFile>
#include <QString>
#include <QTemporaryDir>

inline QString engineFixturePath(const char* name) {
    return QStringLiteral(VORLANTIX_JET_FIXTURES "/") + QString::fromLatin1(name);
}

// By default `Table1` (ID, Data) with the rows 1 One, 2 Two, 3 Three.
struct CopiedDatabase {
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("ResBuild.dll"));

    explicit CopiedDatabase(const char* fixture = "mdbreader_V2000_no-password.mdb") {
        QFile::copy(engineFixturePath(fixture), path);
    }

    QString connectionString() const {
        return QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + path +
               QStringLiteral(";Persist Security Info=False");
    }
};
