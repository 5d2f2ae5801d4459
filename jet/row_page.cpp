#include "jet/row_page.h"

#include "jet/format.h"

#include <algorithm>
#include <cassert>

namespace jet {

RowPage::RowPage(std::uint32_t owner) : page_(format::kPageSize, 0), rowsStart_(format::kPageSize) {
    page_[0] = format::kDataPage;
    page_[1] = 0x01;
    putLE(page_, format::kDataPageOwnerOffset, owner, 4);
    putLE(page_, 2, freeSpace(), 2);
}

std::size_t RowPage::freeSpace() const {
    return rowsStart_ - format::kDataPageHeaderSize - 2 * static_cast<std::size_t>(rowCount_);
}

bool RowPage::fits(std::size_t rowSize) const {
    return rowCount_ < format::kMaxRowsPerPage && rowSize + 2 <= freeSpace();
}

std::uint8_t RowPage::add(const Bytes& row) {
    assert(fits(row.size()));
    rowsStart_ -= row.size();
    std::ranges::copy(row, page_.begin() + static_cast<std::ptrdiff_t>(rowsStart_));
    putLE(page_, format::kDataPageHeaderSize + 2 * static_cast<std::size_t>(rowCount_), rowsStart_,
          2);
    const auto number = static_cast<std::uint8_t>(rowCount_++);
    putLE(page_, format::kDataPageRowCountOffset, static_cast<std::uint32_t>(rowCount_), 2);
    putLE(page_, 2, freeSpace(), 2);
    return number;
}

} // namespace jet
