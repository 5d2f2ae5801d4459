#pragma once

#include "jet/bytes.h"

#include <cstdint>

namespace jet {

// A data or long-value page under construction: rows are packed from the end of the page
// downwards, their start offsets listed after the header.
class RowPage {
public:
    explicit RowPage(std::uint32_t owner);

    bool fits(std::size_t rowSize) const;
    // Adds a row that fits and returns its row number on the page.
    std::uint8_t add(const Bytes& row);
    int rowCount() const { return rowCount_; }
    const Bytes& bytes() const { return page_; }

private:
    std::size_t freeSpace() const;

    Bytes page_;
    int rowCount_ = 0;
    std::size_t rowsStart_;
};

} // namespace jet
