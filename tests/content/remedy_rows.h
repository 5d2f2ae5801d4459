#pragma once

#include <QList>
#include <QString>

#include <optional>

// One row of table `data`, as stored in the database or written in the collection's source.
struct Remedy {
    qint64 number = 0;
    QString title;
    std::optional<QString> body; // nullopt for NULL

    bool operator==(const Remedy&) const = default;
};

// The rows of table `data` of the Jet file at `path`, in storage order. Throws when the table
// does not have the columns 编号 (Long Integer), 标题 (Text), 内容 (Memo).
QList<Remedy> readDatabaseRemedies(const QString& path);

// The rows of the collection's source file (remedies.tsv), in file order. Throws
// std::runtime_error naming the line for a line that is not "number TAB title TAB body" or holds
// an unknown escape.
QList<Remedy> readSourceRemedies(const QString& path);
