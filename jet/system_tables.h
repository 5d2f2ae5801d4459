#pragma once

#include "jet/table_definition.h"

#include <cstdint>
#include <vector>

namespace jet {

struct SystemTable {
    TableDefinition definition;
    std::uint32_t catalogFlags; // the Flags value of its catalog row
};

// The catalog table, its definition at page 2; its columns as Access writes them.
const TableDefinition& catalogTable();

// The other system tables every database carries, empty, in catalog order.
const std::vector<SystemTable>& otherSystemTables();

inline constexpr std::uint32_t kJetSystemObject = 0x80000000;
inline constexpr std::uint32_t kAccessSystemObject = 0x00000002;

} // namespace jet
