#pragma once

#include "jet/bytes.h"
#include "jet/table_definition.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace jet {

// Where a table's rows and maps ended up; all map locations are row pointers (page << 8 | row).
struct TableStorage {
    std::uint32_t rowCount = 0;
    std::uint32_t lastAutonumber = 0;
    std::uint32_t ownedPagesMap = 0;
    std::uint32_t freeSpaceMap = 0;
    struct LongValueMaps {
        std::uint16_t columnNumber;
        std::uint32_t ownedPagesMap;
        std::uint32_t freeSpaceMap;
    };
    std::vector<LongValueMaps> longValueMaps; // one per memo or OLE column, by column number
    struct Index {
        std::uint32_t usageMap;
        std::uint32_t rootPage;
    };
    std::optional<Index> primaryKey;
};

// The table definition (TDEF) page. `sortOrder` is the collation's locale id, stored with every
// column. Throws jet::Error when the definition does not fit on one page.
Bytes encodeTableDefinitionPage(const TableDefinition& table, const TableStorage& storage,
                                std::uint16_t sortOrder);

} // namespace jet
