#pragma once

// Another program racing this one on one file, run inside the C library calls that the working
// copy's writing makes: this test's executable defines flock, openat and ftruncate itself, so every
// call of the program's code reaches these first, and they hand on to the C library's own.

#include <QByteArray>

namespace file_race {

enum class Move {
    // At the lock on the file at the path: the file is deleted first.
    DeleteBeforeLock,
    // At the lock on the file at the path: another file is renamed over it first.
    ReplaceBeforeLock,
    // At an exclusive create of the path's name that finds a file there: the file is deleted
    // right after, so the following plain open finds nothing. Where no file is there, one is put
    // there first, so that the create finds it.
    DeleteAfterExclusiveCreate,
    // At cutting the file at the path to a length: another file is renamed over it first.
    ReplaceBeforeTruncate,
};

// The content of the file that ReplaceBeforeLock puts at the path.
inline constexpr char kOtherContent[] = "another program's file";

// Runs `move` on `path` the next `times` times its moment comes (a negative number: every time).
void arm(const QByteArray& path, Move move, int times);
// Stops racing; returns how often the move ran since arm().
int disarm();

} // namespace file_race
