#pragma once

#include "jet/bytes.h"
#include "jet/table_definition.h"

#include <optional>
#include <vector>

namespace jet {

// One field's stored bytes, already in the column's format; nullopt stores NULL.
using FieldValue = std::optional<Bytes>;

// Builds a Jet 4 row: column count, fixed part, variable part, then (read from the end) the
// null mask, the variable column count, their offsets and the end-of-data offset.
// `fields` is indexed by column number. Throws jet::Error when the row exceeds a page's limit.
Bytes encodeRow(const TableDefinition& table, const std::vector<FieldValue>& fields);

} // namespace jet
