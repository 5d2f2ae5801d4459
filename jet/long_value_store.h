#pragma once

#include "jet/bytes.h"
#include "jet/row_page.h"

#include <cstdint>
#include <vector>

namespace jet {

// Memo values up to this many bytes stay inside their row, as Access and Jackcess keep them.
inline constexpr std::size_t kInlineMemoLimit = 64;

// Packs long values onto long-value (LVAL) pages numbered from a given page on, and builds the
// 12-byte memo field that a row stores for each value.
class LongValueStore {
public:
    explicit LongValueStore(std::uint32_t firstPage) : firstPage_(firstPage) {}

    // The memo field for `data`: inline when short, else one LVAL row or a chain of them.
    Bytes memoField(const Bytes& data);

    const std::vector<RowPage>& pages() const { return pages_; }
    std::vector<std::uint32_t> pageNumbers() const;

private:
    std::uint32_t storeRow(const Bytes& row, bool freshPage);
    std::uint32_t storeChain(const Bytes& data);

    std::uint32_t firstPage_;
    std::vector<RowPage> pages_;
};

} // namespace jet
