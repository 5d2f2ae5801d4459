#include "jet/usage_map.h"

#include "jet/format.h"

#include <cassert>
#include <set>

namespace jet {

namespace {

constexpr std::size_t kMapRowSize = 1 + 4 + format::kInlineMapBitmapBytes;

std::set<std::uint32_t> referenceSlots(std::span<const std::uint32_t> pages) {
    std::set<std::uint32_t> slots;
    for (std::uint32_t page : pages) {
        slots.insert(page / format::kMapPagePages);
    }
    return slots;
}

void setBit(std::span<std::uint8_t> bitmap, std::size_t bit) {
    bitmap[bit / 8] |= static_cast<std::uint8_t>(1u << (bit % 8));
}

} // namespace

std::size_t bitmapPagesNeeded(std::span<const std::uint32_t> pages) {
    if (pages.empty() || pages.back() - pages.front() < format::kInlineMapPages) {
        return 0;
    }
    return referenceSlots(pages).size();
}

UsageMap encodeUsageMap(std::span<const std::uint32_t> pages,
                        std::span<const std::uint32_t> bitmapPageNumbers) {
    assert(bitmapPageNumbers.size() == bitmapPagesNeeded(pages));
    UsageMap map;
    map.row.assign(kMapRowSize, 0);
    if (bitmapPageNumbers.empty()) {
        const std::uint32_t start = pages.empty() ? 0 : pages.front();
        putLE(map.row, 1, start, 4);
        std::span<std::uint8_t> bitmap(map.row.data() + 5, format::kInlineMapBitmapBytes);
        for (std::uint32_t page : pages) {
            setBit(bitmap, page - start);
        }
        return map;
    }

    map.row[0] = 0x01;
    std::size_t next = 0;
    for (std::uint32_t slot : referenceSlots(pages)) {
        assert(slot < format::kReferenceMapSlots);
        putLE(map.row, 1 + 4 * slot, bitmapPageNumbers[next++], 4);
        Bytes page(format::kPageSize, 0);
        page[0] = format::kUsageMapPage;
        page[1] = 0x01;
        std::span<std::uint8_t> bitmap(page.data() + 4, page.size() - 4);
        for (std::uint32_t owned : pages) {
            if (owned / format::kMapPagePages == slot) {
                setBit(bitmap, owned % format::kMapPagePages);
            }
        }
        map.bitmapPages.push_back(std::move(page));
    }
    return map;
}

} // namespace jet
