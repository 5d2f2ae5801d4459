#include "jet/primary_key_index.h"

#include "jet/format.h"

#include <algorithm>

namespace jet {

namespace {

// Ascending Long key: flag byte, then the value with its sign bit flipped, big-endian, so that
// the entries sort as bytes.
constexpr std::uint8_t kAscendingKeyFlag = 0x7F;

Bytes leafEntry(const IndexedRow& row) {
    Bytes entry{kAscendingKeyFlag};
    appendBE(entry, static_cast<std::uint32_t>(row.key) ^ 0x80000000u, 4);
    appendBE(entry, row.rowPointer >> 8, 3);
    entry.push_back(static_cast<std::uint8_t>(row.rowPointer & 0xFF));
    return entry;
}

struct Level {
    std::vector<std::vector<Bytes>> pages; // entries per page
};

Level packEntries(std::vector<Bytes> entries) {
    Level level;
    level.pages.emplace_back();
    std::size_t used = 0;
    for (Bytes& entry : entries) {
        if (used + entry.size() > static_cast<std::size_t>(format::kIndexEntrySpace)) {
            level.pages.emplace_back();
            used = 0;
        }
        used += entry.size();
        level.pages.back().push_back(std::move(entry));
    }
    return level;
}

Bytes writePage(bool leaf, const std::vector<Bytes>& entries, std::uint32_t owner,
                std::uint32_t previous, std::uint32_t next) {
    Bytes page(format::kPageSize, 0);
    page[0] = leaf ? format::kIndexLeafPage : format::kIndexNodePage;
    page[1] = 0x01;
    putLE(page, 4, owner, 4);
    putLE(page, 12, previous, 4);
    putLE(page, 16, next, 4);
    // Every entry is stored whole (no shared prefix); the mask marks where each entry ends.
    std::size_t at = format::kIndexEntriesOffset;
    for (const Bytes& entry : entries) {
        std::ranges::copy(entry, page.begin() + static_cast<std::ptrdiff_t>(at));
        at += entry.size();
        const std::size_t bit = at - format::kIndexEntriesOffset;
        page[format::kIndexEntryMaskOffset + bit / 8] |= static_cast<std::uint8_t>(1u << (bit % 8));
    }
    putLE(page, 2, format::kPageSize - at, 2);
    return page;
}

} // namespace

IndexPages buildPrimaryKeyIndex(std::vector<IndexedRow> rows, std::uint32_t firstPage,
                                std::uint32_t tableDefinitionPage) {
    std::ranges::sort(rows, {}, &IndexedRow::key);
    std::vector<Bytes> entries;
    entries.reserve(rows.size());
    for (const IndexedRow& row : rows) {
        entries.push_back(leafEntry(row));
    }

    IndexPages result;
    std::uint32_t levelStart = firstPage;
    bool leaf = true;
    for (;;) {
        const Level level = packEntries(std::move(entries));
        const auto count = static_cast<std::uint32_t>(level.pages.size());
        entries.clear();
        for (std::uint32_t i = 0; i < count; ++i) {
            const std::uint32_t previous = i == 0 ? 0 : levelStart + i - 1;
            const std::uint32_t next = i + 1 == count ? 0 : levelStart + i + 1;
            result.pages.push_back(
                writePage(leaf, level.pages[i], tableDefinitionPage, previous, next));
            if (!level.pages[i].empty()) {
                Bytes parentEntry = level.pages[i].back();
                appendBE(parentEntry, levelStart + i, 4);
                entries.push_back(std::move(parentEntry));
            }
        }
        if (count == 1) {
            result.rootPage = levelStart;
            return result;
        }
        levelStart += count;
        leaf = false;
    }
}

} // namespace jet
