#pragma once

#include <QString>

namespace db {

// The user's temporary directory, always ending with "/". Prefers $XDG_RUNTIME_DIR when it is an
// absolute path to a directory that belongs to this user and that nobody else may write to, then
// $TMPDIR when it is an absolute path to a directory, and falls back to "/tmp/". Raises nothing.
QString GetTempDirectory();

} // namespace db
