#pragma once

#include <QString>

namespace db {

// What the engine takes from a connection string such as
// "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=/tmp/x//ResBuild.dll;Persist Security Info=False".
// Keys ignore case and surrounding blanks; a value may be quoted ("..." or '...', the quote
// doubled inside) to hold a ";". Other keys are accepted and ignored.
struct ConnectionSettings {
    QString provider;
    QString dataSource;
};

// Throws DatabaseError for an empty string, a part without "=", a provider other than
// Microsoft.Jet.OLEDB.4.0 (or none) and a missing Data Source.
ConnectionSettings parseConnectionString(const QString& text);

// `value` as it must stand after "Key=" for parseConnectionString() to read back exactly `value`:
// unchanged when it can, otherwise in double quotes with each double quote inside doubled. So a
// value holding ";", a quote, or leading or trailing blanks, e.g. /tmp/a;b/x.mdb, becomes
// "/tmp/a;b/x.mdb", and is never read as more keys.
QString connectionStringValue(const QString& value);

} // namespace db
