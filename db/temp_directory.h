#pragma once

#include <QString>

namespace db {

// The user's temporary directory, always ending with "/". Prefers $XDG_RUNTIME_DIR when it is an
// absolute path to a directory that belongs to this user and that nobody else may write to, then
// $TMPDIR when it is an absolute path to a directory that belongs to this user or to root and
// that either nobody else may write to or is sticky (like /tmp, where nobody can rename or delete
// another's files), and falls back to "/tmp/". Raises nothing.
//
// A directory that others may write to without the sticky bit is refused: anybody could rename
// a file of theirs over the working copy there. So is one that belongs to another user, who may
// rename anything in it whatever its mode.
QString GetTempDirectory();

} // namespace db
