#include "db/table_pages.h"

#include "db/database_error.h"

#include <QtEndian>

using namespace Qt::Literals::StringLiterals;

namespace db {
namespace {

constexpr int kPageSize = 4096;
constexpr unsigned char kDataPage = 0x01;
constexpr unsigned char kUsageMapPage = 0x05;
constexpr int kRowCountOffset = 12;
constexpr int kRowOffsetMask = 0x1fff;
constexpr int kDeletedRow = 0x4000;
constexpr int kRowFlags = 0xe000;
// Each page of a reference map carries a 4-byte head, then one bit per page.
constexpr std::uint32_t kPagesPerMapPage = (kPageSize - 4) * 8;

int int16At(const unsigned char* bytes, int offset) {
    return qFromLittleEndian<quint16>(bytes + offset);
}

std::uint32_t int32At(const unsigned char* bytes, int offset) {
    return qFromLittleEndian<quint32>(bytes + offset);
}

class Checker {
public:
    Checker(const TableLayout& layout, std::uint32_t pageCount, const PageReader& readPage,
            const QString& cannotRead)
        : layout_(layout), pageCount_(pageCount), readPage_(readPage), cannotRead_(cannotRead) {}

    std::vector<std::uint32_t> run() {
        const QByteArray& map = layout_.usageMap;
        const auto* bytes = reinterpret_cast<const unsigned char*>(map.constData());
        if (map.size() >= 5 && bytes[0] == 0) {
            walkBitmap(int32At(bytes, 1), bytes + 5, static_cast<std::uint32_t>(map.size() - 5));
        } else if (map.size() >= 5 && bytes[0] == 1) {
            for (int entry = 1; entry + 4 <= map.size(); entry += 4) {
                const std::uint32_t mapPage = int32At(bytes, entry);
                if (mapPage == 0) {
                    continue;
                }
                const unsigned char* page = pageInside(mapPage, u"its page map"_s);
                if (page[0] != kUsageMapPage) {
                    fault(u"its page map names page %1, which is no map page"_s.arg(mapPage));
                }
                const auto first = static_cast<std::uint32_t>((entry - 1) / 4) * kPagesPerMapPage;
                walkBitmap(first, page + 4, kPageSize - 4);
            }
        } else {
            fault(u"its page map is of an unknown kind"_s);
        }
        if (liveRows_ < layout_.rowCount) {
            fault(u"it holds %1 rows, its pages only %2"_s.arg(layout_.rowCount).arg(liveRows_));
        }
        return pages_;
    }

private:
    [[noreturn]] void fault(const QString& what) const {
        throw DatabaseError((cannotRead_ + u": "_s + what).toStdString());
    }

    const unsigned char* pageInside(std::uint32_t number, const QString& namedBy) const {
        if (number >= pageCount_) {
            fault(u"%1 names page %2, past the end of the file"_s.arg(namedBy).arg(number));
        }
        return readPage_(number);
    }

    // Reads the bitmap before it reads the pages: reading a page replaces what the reader
    // returned for the map page.
    void walkBitmap(std::uint32_t first, const unsigned char* bitmap, std::uint32_t bytes) {
        std::vector<std::uint32_t> named;
        for (std::uint32_t bit = 0; bit < bytes * 8; ++bit) {
            if ((bitmap[bit / 8] & (1U << (bit % 8))) != 0) {
                named.push_back(first + bit);
            }
        }
        for (const std::uint32_t number : named) {
            const unsigned char* page = pageInside(number, u"its page map"_s);
            if (page[0] != kDataPage || int32At(page, 4) != layout_.definitionPage) {
                fault(u"its page map names page %1, which is no data page of it"_s.arg(number));
            }
            checkRows(number, page);
            pages_.push_back(number);
        }
    }

    void checkRows(std::uint32_t number, const unsigned char* page) {
        const int rows = int16At(page, kRowCountOffset);
        const int rowTableEnd = kRowCountOffset + 2 + 2 * rows;
        if (rowTableEnd > kPageSize) {
            fault(u"page %1 claims %2 rows, more than it can hold"_s.arg(number).arg(rows));
        }
        int next = kPageSize;
        for (int row = 0; row < rows; ++row) {
            const int raw = int16At(page, kRowCountOffset + 2 + 2 * row);
            const int start = raw & kRowOffsetMask;
            if (start < rowTableEnd || start > next) {
                fault(u"row %1 of page %2 lies outside its page"_s.arg(row).arg(number));
            }
            const int size = next - start;
            next = start;
            if ((raw & kDeletedRow) != 0 || size == 0) {
                continue;
            }
            if (const QString reason = rowFault(page + start, size); !reason.isEmpty()) {
                fault(u"row %1 of page %2: %3"_s.arg(row).arg(number).arg(reason));
            }
            ++liveRows_;
        }
    }

    // What is wrong with the row of `size` bytes at `row`, or nothing. A Jet 4.0 row: the column
    // count, the fixed-length values, the variable-length values; then, from the end backwards,
    // the null mask, the number of variable-length columns and their offsets (one more than
    // there are columns, the last marking where the values end).
    QString rowFault(const unsigned char* row, int size) const {
        if (size < 2) {
            return u"too short for its column count"_s;
        }
        const int columns = int16At(row, 0);
        const int nullMask = (columns + 7) / 8;
        if (2 + nullMask > size) {
            return u"its column count %1 does not fit the row"_s.arg(columns);
        }
        for (const TableLayout::Column& column : layout_.columns) {
            if (column.number / 8 >= nullMask) {
                return u"its column count %1 leaves out columns of the table"_s.arg(columns);
            }
        }
        int variable = 0;
        int valuesEnd = size - nullMask;
        if (layout_.hasVariableColumns) {
            if (2 + nullMask + 2 > size) {
                return u"too short for its variable-length columns"_s;
            }
            variable = int16At(row, size - nullMask - 2);
            const int offsetsStart = size - nullMask - 2 - 2 * (variable + 1);
            if (variable > columns || offsetsStart < 2) {
                return u"its %1 variable-length columns do not fit the row"_s.arg(variable);
            }
            int previous = 2;
            for (int i = 0; i <= variable; ++i) {
                const int offset = int16At(row, size - nullMask - 4 - 2 * i);
                if (offset < previous || offset > offsetsStart) {
                    return u"its variable-length offsets lie outside the row"_s;
                }
                previous = offset;
            }
            valuesEnd = int16At(row, size - nullMask - 4);
        }
        int fixedLeft = columns - variable;
        for (const TableLayout::Column& column : layout_.columns) {
            if (!column.fixed || fixedLeft == 0) {
                continue;
            }
            --fixedLeft;
            if (column.fixedOffset < 0 || column.size < 0 ||
                2 + column.fixedOffset + column.size > valuesEnd) {
                return u"its fixed-length values lie outside the row"_s;
            }
        }
        return {};
    }

    const TableLayout& layout_;
    std::uint32_t pageCount_;
    const PageReader& readPage_;
    const QString& cannotRead_;
    std::vector<std::uint32_t> pages_;
    std::uint32_t liveRows_ = 0;
};

} // namespace

std::optional<int> mapRowSize(const unsigned char* page, int row) {
    const int rows = int16At(page, kRowCountOffset);
    const int rowTableEnd = kRowCountOffset + 2 + 2 * rows;
    if (page[0] != kDataPage || row >= rows || rowTableEnd > kPageSize) {
        return std::nullopt;
    }
    const int raw = int16At(page, kRowCountOffset + 2 + 2 * row);
    const int end =
        row == 0 ? kPageSize : int16At(page, kRowCountOffset + 2 * row) & kRowOffsetMask;
    if ((raw & kRowFlags) != 0 || raw < rowTableEnd || raw > end || end > kPageSize) {
        return std::nullopt;
    }
    return end - raw;
}

std::vector<std::uint32_t> checkedDataPages(const TableLayout& layout, std::uint32_t pageCount,
                                            const PageReader& readPage, const QString& cannotRead) {
    return Checker(layout, pageCount, readPage, cannotRead).run();
}

} // namespace db
