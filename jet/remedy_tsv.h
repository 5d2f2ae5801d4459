#pragma once

#include "jet/remedy.h"

#include <istream>
#include <string>
#include <vector>

namespace jet {

// Reads the remedy source: UTF-8 lines `<id> TAB <title> TAB <body>`, lines starting with '#'
// are comments; `\\`, `\t`, `\r`, `\n` stand for their characters and a body of exactly `\N`
// is NULL. Throws jet::Error naming the line of the first fault.
std::vector<Remedy> readRemedyTsv(std::istream& in);
std::vector<Remedy> readRemedyTsvFile(const std::string& path);

// Strict UTF-8 to UTF-16 for text the database can hold: throws jet::Error for malformed
// input and for characters outside the Basic Multilingual Plane.
std::u16string utf8ToUtf16(std::string_view text);
std::string utf16ToUtf8(std::u16string_view text);

} // namespace jet
