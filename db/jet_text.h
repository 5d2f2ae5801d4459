#pragma once

#include <QString>

namespace db {

// A stored text or memo value as text. Jet 4.0 keeps them as UTF-16LE or, when they start with
// the FF FE mark, in runs that a zero byte switches between one byte (high byte zero) and two
// bytes per unit.
QString jetText(const char* bytes, qsizetype size);

} // namespace db
