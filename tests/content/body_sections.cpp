#include "body_sections.h"

QList<BodySection> bodySections(const QString& body) {
    QList<BodySection> sections;
    qsizetype start = body.indexOf(u'【');
    while (start >= 0) {
        const qsizetype next = body.indexOf(u'【', start + 1);
        const qsizetype end = next < 0 ? body.size() : next;
        const qsizetype close = body.indexOf(u'】', start + 1);
        if (close >= 0 && close < end)
            sections.append(
                {body.mid(start + 1, close - start - 1), body.mid(close + 1, end - close - 1)});
        else
            sections.append({std::nullopt, body.mid(start + 1, end - start - 1)});
        start = next;
    }
    return sections;
}

QStringList sectionHeadings(const QString& body) {
    QStringList headings;
    for (const BodySection& section : bodySections(body))
        headings.append(section.heading.value_or(QString()));
    return headings;
}
