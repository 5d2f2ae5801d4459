#pragma once

#include <cstdint>

// Layout constants of the Jet 4.0 file format (Access 2000), 4,096-byte pages.
namespace jet::format {

inline constexpr int kPageSize = 4096;

enum PageType : std::uint8_t {
    kHeaderPage = 0x00,
    kDataPage = 0x01,
    kTableDefinitionPage = 0x02,
    kIndexNodePage = 0x03,
    kIndexLeafPage = 0x04,
    kUsageMapPage = 0x05,
};

// Data and long-value pages: header, then one uint16 row offset per row.
inline constexpr int kDataPageHeaderSize = 14;
inline constexpr int kDataPageRowCountOffset = 12;
inline constexpr int kDataPageOwnerOffset = 4;
inline constexpr int kMaxRowsPerPage = 255;
// Largest row Jet accepts on a data page.
inline constexpr int kMaxRowSize = 4060;
// Largest row on a long-value page (a chained row spends 4 bytes of it on the next pointer).
inline constexpr int kMaxLongValueRowSize = 4076;
inline constexpr std::uint32_t kLongValueOwner = 0x4C41564C; // "LVAL"

// Memo (long value) field inside a row: length with these flags, row pointer, 4 zero bytes.
inline constexpr std::uint32_t kMemoInline = 0x80000000;
inline constexpr std::uint32_t kMemoSingleRow = 0x40000000;

// Usage maps: an inline map covers 64 bytes of bitmap; a reference map names bitmap pages.
inline constexpr int kInlineMapBitmapBytes = 64;
inline constexpr int kInlineMapPages = kInlineMapBitmapBytes * 8;
inline constexpr int kReferenceMapSlots = 17;
inline constexpr int kMapPagePages = (kPageSize - 4) * 8;

// Index pages.
inline constexpr int kIndexEntryMaskOffset = 27;
inline constexpr int kIndexEntriesOffset = 480;
inline constexpr int kIndexEntrySpace = kPageSize - kIndexEntriesOffset;

// Values Access writes in every table definition.
inline constexpr std::uint32_t kTableMagic = 1625;
inline constexpr std::uint32_t kRealIndexMagic = 1923;

// The 128 bytes from 0x18 of the header page are masked with RC4 under this key.
inline constexpr std::uint8_t kHeaderMaskKey[4] = {0xC7, 0xDA, 0x39, 0x6B};
inline constexpr int kHeaderMaskOffset = 0x18;
inline constexpr int kHeaderMaskLength = 128;

} // namespace jet::format
