#pragma once

#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

// The database an engine benchmark reads: the file named as its first argument, or else the
// program's own, copied into a private directory as the program's working copy would be.
class DatabaseCopy {
public:
    DatabaseCopy(int argc, char** argv)
        : path_(directory_.filePath(QStringLiteral("ResBuild.dll"))) {
        const QString source =
            argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(VORLANTIX_REMEDY_DATABASE);
        if (!QFile::copy(source, path_)) {
            std::fprintf(stderr, "cannot copy %s\n", qPrintable(source));
            std::exit(1);
        }
    }

    const QString& path() const { return path_; }
    QString connectionString() const {
        return QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + path_ +
               QStringLiteral(";Persist Security Info=False");
    }

private:
    QTemporaryDir directory_;
    QString path_;
};
