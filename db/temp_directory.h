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
//
// In a chosen directory that others may write to (sticky), the answer is a directory of the
// user's own in it, so that nobody can take the working copy's name first: "vorlantix-<uid>/",
// made with mode 0700 when missing, or, when that name is another user's (or not a directory of
// ours), a fresh "vorlantix-<uid>-XXXXXX/" from mkdtemp(), the same one until
// removeMadeDirectory() removes it. The shared directory itself when neither can be made.
QString GetTempDirectory();

// Removes the directory that GetTempDirectory() made with mkdtemp() and answered as `directory`,
// when it is empty and still the directory it made. Anything else is left alone.
void removeMadeDirectory(const QString& directory);

} // namespace db
