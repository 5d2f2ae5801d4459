#pragma once

// The databases that independent readers must read back, each with the source it was written
// from: the edge cases, and the full collection when the build has it.

#include "jet/remedy.h"

#include <QString>

#include <vector>

namespace jettest {

// Adds the QTest columns "database" and "source" (paths) and one row per database; databases
// written for the test go to `scratchDirectory`.
void addReadbackRows(const QString& scratchDirectory);

std::vector<jet::Remedy> readSource(const QString& sourcePath);

} // namespace jettest
