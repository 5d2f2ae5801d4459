#pragma once

#include "jet/bytes.h"

#include <cstdint>
#include <vector>

namespace jet {

struct IndexedRow {
    std::int32_t key;
    std::uint32_t rowPointer; // (page << 8) | row
};

struct IndexPages {
    std::vector<Bytes> pages; // leaf pages first, then each higher level; the root comes last
    std::uint32_t rootPage;
};

// Builds the B-tree of an ascending, unique index on a Long Integer column. Pages are numbered
// from `firstPage`; leaf entries hold the key and the row's place, node entries repeat the last
// entry of a child page and add that page's number.
IndexPages buildPrimaryKeyIndex(std::vector<IndexedRow> rows, std::uint32_t firstPage,
                                std::uint32_t tableDefinitionPage);

} // namespace jet
