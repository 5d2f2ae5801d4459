#include "db/connection_string.h"

#include "db/database_error.h"

using namespace Qt::Literals::StringLiterals;

namespace db {
namespace {

constexpr QStringView kJetProvider = u"Microsoft.Jet.OLEDB.4.0";

[[noreturn]] void fail(const QString& text) {
    throw DatabaseError(text.toStdString());
}

// Reads one value starting at `at` (after the "="), up to the next ";" outside quotes.
QString readValue(const QString& text, qsizetype& at) {
    while (at < text.size() && text[at].isSpace()) {
        ++at;
    }
    if (at < text.size() && (text[at] == u'"' || text[at] == u'\'')) {
        const QChar quote = text[at];
        const qsizetype start = at;
        QString value;
        for (++at; at < text.size(); ++at) {
            if (text[at] != quote) {
                value.append(text[at]);
            } else if (at + 1 < text.size() && text[at + 1] == quote) {
                value.append(quote);
                ++at;
            } else {
                break;
            }
        }
        if (at == text.size()) {
            fail(u"Malformed connection string near '%1'"_s.arg(text.sliced(start)));
        }
        ++at;
        const qsizetype end = text.indexOf(u';', at);
        const QStringView rest = QStringView(text).sliced(at, (end < 0 ? text.size() : end) - at);
        if (!rest.trimmed().isEmpty()) {
            fail(u"Malformed connection string near '%1'"_s.arg(rest.trimmed()));
        }
        at = end < 0 ? text.size() : end;
        return value;
    }
    const qsizetype end = text.indexOf(u';', at);
    QString value = text.sliced(at, (end < 0 ? text.size() : end) - at).trimmed();
    at = end < 0 ? text.size() : end;
    return value;
}

} // namespace

ConnectionSettings parseConnectionString(const QString& text) {
    if (text.trimmed().isEmpty()) {
        fail(u"The connection string is empty"_s);
    }
    ConnectionSettings settings;
    bool hasProvider = false;
    bool hasDataSource = false;
    for (qsizetype at = 0; at < text.size(); ++at) { // `at` is on a ";" after each part
        const qsizetype equals = text.indexOf(u'=', at);
        const qsizetype semicolon = text.indexOf(u';', at);
        if (equals < 0 || (semicolon >= 0 && semicolon < equals)) {
            const QStringView part =
                QStringView(text).sliced(at, (semicolon < 0 ? text.size() : semicolon) - at);
            if (!part.trimmed().isEmpty()) {
                fail(u"Malformed connection string near '%1'"_s.arg(part.trimmed()));
            }
            at = semicolon < 0 ? text.size() : semicolon;
            continue;
        }
        const QString key = text.sliced(at, equals - at).trimmed();
        at = equals + 1;
        const QString value = readValue(text, at);
        if (key.compare(u"Provider"_s, Qt::CaseInsensitive) == 0) {
            settings.provider = value;
            hasProvider = true;
        } else if (key.compare(u"Data Source"_s, Qt::CaseInsensitive) == 0) {
            settings.dataSource = value;
            hasDataSource = true;
        }
    }
    if (!hasProvider) {
        fail(u"The connection string names no provider"_s);
    }
    if (settings.provider.compare(kJetProvider, Qt::CaseInsensitive) != 0) {
        fail(u"Provider '%1' is not supported; this engine is %2"_s.arg(settings.provider,
                                                                        kJetProvider));
    }
    if (!hasDataSource || settings.dataSource.isEmpty()) {
        fail(u"The connection string names no Data Source"_s);
    }
    return settings;
}

QString connectionStringValue(const QString& value) {
    const bool readsBackAsItStands = !value.isEmpty() && !value.front().isSpace() &&
                                     !value.back().isSpace() && !value.contains(u';') &&
                                     !value.contains(u'"') && !value.startsWith(u'\'');
    if (readsBackAsItStands) {
        return value;
    }
    QString quoted = value;
    quoted.replace(u"\""_s, u"\"\""_s);
    return u'"' + quoted + u'"';
}

} // namespace db
