#pragma once

#include "jet/bytes.h"

#include <cstdint>
#include <span>
#include <vector>

namespace jet {

// A usage map lists the pages an object owns. An inline map holds its bitmap in its own row;
// when the pages span farther than that bitmap reaches, a reference map names bitmap pages.
struct UsageMap {
    Bytes row;
    std::vector<Bytes> bitmapPages; // to be stored at the page numbers given to encodeUsageMap
};

// Number of bitmap pages a map of these pages (ascending) needs: 0 when an inline map reaches.
std::size_t bitmapPagesNeeded(std::span<const std::uint32_t> pages);

UsageMap encodeUsageMap(std::span<const std::uint32_t> pages,
                        std::span<const std::uint32_t> bitmapPageNumbers);

} // namespace jet
