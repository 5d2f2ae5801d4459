#pragma once

#include <QString>

namespace db {

// Where the embedded database is written for the engine to open: GetTempDirectory() followed by
// "/ResBuild.dll". The directory already ends with "/", so the path holds "//" (the file system
// reads it as one separator). Built afresh at each call.
QString workingCopyPath();

// The connection string naming the working copy in `tempDirectory`, e.g. for "/tmp/":
// "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=/tmp//ResBuild.dll;Persist Security Info=False".
QString connectionStringFor(const QString& tempDirectory);

// Deletes the working copy when nobody needs it. Leaves it in place, silently, when another
// instance holds it open (FileHold), when it is read-only or owned by another user, or when the
// path is a symbolic link (neither the link nor its target is touched). A missing file is fine.
void deleteWorkingCopy();

} // namespace db
