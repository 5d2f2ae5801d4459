#pragma once

// Remedy collections for the writer's tests.

#include "jet/remedy.h"

#include <string>
#include <vector>

namespace jettest {

// The small source file with the edge cases: NULL and empty bodies, a memo longer than a page,
// CR LF and escapes, a title of 255 characters, numbers out of order.
std::string edgeCaseTsvPath();
std::vector<jet::Remedy> edgeCases();

// `count` remedies numbered in two descending runs (so storage order differs from key order),
// with titles and bodies of the given lengths.
std::vector<jet::Remedy> generatedRemedies(int count, int titleLength, int bodyLength);

} // namespace jettest
