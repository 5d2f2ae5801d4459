#include "remedy_rows.h"

#include "db/jet_table.h"

#include <QFile>

#include <stdexcept>

using namespace Qt::Literals::StringLiterals;

namespace {

[[noreturn]] void fail(const QString& message) {
    throw std::runtime_error(message.toStdString());
}

// Undoes the source file's escapes: \\ \t \r \n; any other backslash sequence is an error.
QString unescape(QStringView field, int line) {
    QString text;
    text.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field[i] != u'\\') {
            text += field[i];
            continue;
        }
        const QChar next = i + 1 < field.size() ? field[i + 1] : QChar();
        if (next == u'\\')
            text += u'\\';
        else if (next == u't')
            text += u'\t';
        else if (next == u'r')
            text += u'\r';
        else if (next == u'n')
            text += u'\n';
        else
            fail(u"line %1: unknown escape"_s.arg(line));
        ++i;
    }
    return text;
}

} // namespace

QList<Remedy> readDatabaseRemedies(const QString& path) {
    const db::JetTable table = db::readJetTable(path, u"data"_s);
    const QList<db::JetColumn> expected = {{u"编号"_s, db::JetType::LongInteger},
                                           {u"标题"_s, db::JetType::Text},
                                           {u"内容"_s, db::JetType::Memo}};
    const bool sameColumns =
        std::equal(table.columns.begin(), table.columns.end(), expected.begin(), expected.end(),
                   [](const db::JetColumn& a, const db::JetColumn& b) {
                       return a.name == b.name && a.type == b.type;
                   });
    if (!sameColumns)
        fail(u"table data does not have the columns 编号, 标题, 内容"_s);

    QList<Remedy> remedies;
    remedies.reserve(table.rows.size());
    for (const QVariantList& row : table.rows) {
        Remedy remedy{row[0].toLongLong(), row[1].toString(), std::nullopt};
        if (!row[2].isNull())
            remedy.body = row[2].toString();
        remedies.append(remedy);
    }
    return remedies;
}

QList<Remedy> readSourceRemedies(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        fail(u"cannot read %1"_s.arg(path));
    const QString text = QString::fromUtf8(file.readAll());
    QList<Remedy> remedies;
    int lineNumber = 0;
    for (QStringView line : QStringView(text).split(u'\n')) {
        ++lineNumber;
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        const QList<QStringView> fields = line.split(u'\t');
        bool isNumber = false;
        const qint64 number = fields.size() == 3 ? fields[0].toLongLong(&isNumber) : 0;
        if (!isNumber)
            fail(u"line %1: not number TAB title TAB body"_s.arg(lineNumber));
        Remedy remedy{number, unescape(fields[1], lineNumber), std::nullopt};
        if (fields[2] != u"\\N")
            remedy.body = unescape(fields[2], lineNumber);
        remedies.append(remedy);
    }
    return remedies;
}
