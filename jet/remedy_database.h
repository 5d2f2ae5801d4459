#pragma once

#include "jet/bytes.h"
#include "jet/remedy.h"
#include "jet/table_definition.h"

#include <string>
#include <vector>

namespace jet {

// Table `data`: 编号 (Long Integer autonumber, primary key), 标题 (Text 255), 内容 (Memo).
const TableDefinition& remedyTable();

inline constexpr std::uint16_t kSortOrderChinesePrc = 2052;

// A complete Jet 4.0 database holding the remedies in table `data`, in the order given.
// Deterministic: the same remedies give the same bytes. Throws jet::Error for remedies it
// cannot store faithfully.
Bytes writeRemedyDatabase(const std::vector<Remedy>& remedies);

// Writes the database to `path` through a temporary file, so that a failure leaves no file.
void writeRemedyDatabaseFile(const std::vector<Remedy>& remedies, const std::string& path);

} // namespace jet
