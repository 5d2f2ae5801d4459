#include "jet/long_value_store.h"

#include "jet/format.h"

#include <algorithm>

namespace jet {

namespace {

constexpr std::size_t kChunkSize = format::kMaxLongValueRowSize - 4;

Bytes fieldHeader(std::size_t length, std::uint32_t kind, std::uint32_t rowPointer) {
    Bytes field;
    appendLE(field, static_cast<std::uint32_t>(length) | kind, 4);
    appendLE(field, rowPointer, 4);
    appendLE(field, 0, 4);
    return field;
}

} // namespace

Bytes LongValueStore::memoField(const Bytes& data) {
    if (data.size() <= kInlineMemoLimit) {
        Bytes field = fieldHeader(data.size(), format::kMemoInline, 0);
        field.insert(field.end(), data.begin(), data.end());
        return field;
    }
    if (data.size() <= static_cast<std::size_t>(format::kMaxLongValueRowSize)) {
        return fieldHeader(data.size(), format::kMemoSingleRow, storeRow(data, false));
    }
    return fieldHeader(data.size(), 0, storeChain(data));
}

std::uint32_t LongValueStore::storeRow(const Bytes& row, bool freshPage) {
    if (freshPage || pages_.empty() || !pages_.back().fits(row.size())) {
        pages_.emplace_back(format::kLongValueOwner);
    }
    const std::uint8_t rowNumber = pages_.back().add(row);
    const auto page = firstPage_ + static_cast<std::uint32_t>(pages_.size() - 1);
    return (page << 8) | rowNumber;
}

// Each chunk of a chain takes a page of its own, so the next chunk's place (row 0 of the
// following page) is known before the chunk is written.
std::uint32_t LongValueStore::storeChain(const Bytes& data) {
    const std::size_t chunks = (data.size() + kChunkSize - 1) / kChunkSize;
    const auto firstChunkPage = firstPage_ + static_cast<std::uint32_t>(pages_.size());
    for (std::size_t i = 0; i < chunks; ++i) {
        const std::size_t begin = i * kChunkSize;
        const std::size_t end = std::min(data.size(), begin + kChunkSize);
        const bool last = i + 1 == chunks;
        Bytes row;
        appendLE(row, last ? 0 : ((firstChunkPage + i + 1) << 8), 4);
        row.insert(row.end(), data.begin() + static_cast<std::ptrdiff_t>(begin),
                   data.begin() + static_cast<std::ptrdiff_t>(end));
        storeRow(row, true);
    }
    return firstChunkPage << 8;
}

std::vector<std::uint32_t> LongValueStore::pageNumbers() const {
    std::vector<std::uint32_t> numbers;
    for (std::size_t i = 0; i < pages_.size(); ++i) {
        numbers.push_back(firstPage_ + static_cast<std::uint32_t>(i));
    }
    return numbers;
}

} // namespace jet
