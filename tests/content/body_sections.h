#pragma once

#include <QList>
#include <QString>

#include <optional>

// A section of a remedy body: it opens at a "【" and runs up to the next "【" or the end.
// Its heading is the text between the "【" and the next "】", if that "】" comes before the next
// "【"; otherwise the bracket is never closed and the heading is nullopt. For example
// "X【来源】《A》。【用法水煎服" has the sections (来源, "《A》。") and (nullopt, "用法水煎服").
struct BodySection {
    std::optional<QString> heading;
    QString text; // what follows the "】" (or the "【" of an unclosed bracket)
};

QList<BodySection> bodySections(const QString& body);

// The headings of a body in order; an unclosed bracket gives an empty string.
QStringList sectionHeadings(const QString& body);
