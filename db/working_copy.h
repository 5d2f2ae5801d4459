#pragma once

#include "db/temp_directory.h"

#include <QString>

namespace db {

// Where the embedded database is written for the engine to open: the temporary directory
// followed by "/ResBuild.dll". The directory already ends with "/", so the path holds "//" (the
// file system reads it as one separator). Window creation works the directory out once and
// passes it to every step; without one, GetTempDirectory() is asked afresh.
QString workingCopyPath(const QString& tempDirectory = GetTempDirectory());

// The connection string naming the working copy in `tempDirectory`, e.g. for "/tmp/":
// "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=/tmp//ResBuild.dll;Persist Security Info=False".
// A path that the connection string's syntax would read otherwise (one holding ";" or a quote)
// stands in double quotes, a double quote in it doubled: the directory's name is never taken
// for another key, e.g. for "/tmp/a;b/": Data Source="/tmp/a;b//ResBuild.dll".
QString connectionStringFor(const QString& tempDirectory);

// Deletes the working copy in `tempDirectory` when nobody needs it, letting go of this process's
// own hold on the file first (see keepWrittenFile). Leaves it in place, silently, when another
// instance holds it open (FileHold), when it is read-only or owned by another user, or when the
// path is a symbolic link (neither the link nor its target is touched). A missing file is fine.
// The copy this process wrote is deleted in the directory it was written in, held open since,
// whatever has happened to that directory's name. The close step then removes a directory that
// GetTempDirectory() made with mkdtemp() (removeMadeDirectory).
void deleteWorkingCopy(const QString& tempDirectory = GetTempDirectory());

} // namespace db
