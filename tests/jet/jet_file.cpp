#include "jet_file.h"

#include <array>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace jetcheck {

namespace {

constexpr std::size_t kPageSize = 4096;

void require(bool condition, const std::string& what) {
    if (!condition) {
        throw std::runtime_error(what);
    }
}

void rc4(std::span<const std::uint8_t> key, std::span<std::uint8_t> data) {
    std::array<std::uint8_t, 256> s{};
    for (std::size_t i = 0; i < 256; ++i) {
        s[i] = static_cast<std::uint8_t>(i);
    }
    for (std::size_t i = 0, j = 0; i < 256; ++i) {
        j = (j + s[i] + key[i % key.size()]) & 0xFF;
        std::swap(s[i], s[j]);
    }
    for (std::size_t n = 0, i = 0, j = 0; n < data.size(); ++n) {
        i = (i + 1) & 0xFF;
        j = (j + s[i]) & 0xFF;
        std::swap(s[i], s[j]);
        data[n] ^= s[(s[i] + s[j]) & 0xFF];
    }
}

} // namespace

std::uint32_t le(std::span<const std::uint8_t> bytes, std::size_t at, int width) {
    require(at + static_cast<std::size_t>(width) <= bytes.size(), "read past the end");
    std::uint32_t value = 0;
    for (int i = width - 1; i >= 0; --i) {
        value = (value << 8) | bytes[at + static_cast<std::size_t>(i)];
    }
    return value;
}

std::uint32_t be(std::span<const std::uint8_t> bytes, std::size_t at, int width) {
    require(at + static_cast<std::size_t>(width) <= bytes.size(), "read past the end");
    std::uint32_t value = 0;
    for (int i = 0; i < width; ++i) {
        value = (value << 8) | bytes[at + static_cast<std::size_t>(i)];
    }
    return value;
}

std::u16string utf16(std::span<const std::uint8_t> bytes) {
    require(bytes.size() % 2 == 0, "odd length of UTF-16 text");
    std::u16string text;
    for (std::size_t i = 0; i < bytes.size(); i += 2) {
        text.push_back(static_cast<char16_t>(le(bytes, i, 2)));
    }
    return text;
}

const Column& TableDef::column(std::u16string_view name) const {
    for (const Column& c : columns) {
        if (c.name == name) {
            return c;
        }
    }
    throw std::runtime_error("no such column");
}

JetFile::JetFile(Bytes bytes) : bytes_(std::move(bytes)) {
    require(!bytes_.empty() && bytes_.size() % kPageSize == 0, "not a whole number of pages");
}

JetFile JetFile::load(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    require(in.good(), "cannot open " + path);
    return JetFile(Bytes(std::istreambuf_iterator<char>(in), {}));
}

std::span<const std::uint8_t> JetFile::page(std::uint32_t number) const {
    require(number < pageCount(), "page " + std::to_string(number) + " out of the file");
    return std::span(bytes_).subspan(number * kPageSize, kPageSize);
}

Bytes JetFile::unmaskedHeader() const {
    Bytes header(page(0).begin(), page(0).end());
    constexpr std::array<std::uint8_t, 4> key = {0xC7, 0xDA, 0x39, 0x6B};
    rc4(key, std::span(header).subspan(0x18, 128));
    return header;
}

TableDef JetFile::tableDef(std::uint32_t number) const {
    const auto p = page(number);
    require(p[0] == 0x02 && p[1] == 0x01, "not a table definition page");
    require(le(p, 4, 4) == 0, "continued table definitions are not expected");
    TableDef t{};
    t.page = number;
    t.rowCount = le(p, 16, 4);
    t.lastAutonumber = le(p, 20, 4);
    t.tableType = p[40];
    t.variableColumnCount = static_cast<std::uint16_t>(le(p, 43, 2));
    const std::uint32_t columnCount = le(p, 45, 2);
    const std::uint32_t logicalCount = le(p, 47, 4);
    const std::uint32_t realCount = le(p, 51, 4);
    t.ownedPagesMap = le(p, 55, 4);
    t.freeSpaceMap = le(p, 59, 4);
    std::size_t at = 63;
    for (std::uint32_t i = 0; i < realCount; ++i, at += 12) {
        if (i == 0) {
            t.indexRowCount = le(p, at + 4, 4);
        }
    }
    for (std::uint32_t i = 0; i < columnCount; ++i, at += 25) {
        Column c{};
        c.type = p[at];
        c.number = static_cast<std::uint16_t>(le(p, at + 5, 2));
        c.variableIndex = static_cast<std::uint16_t>(le(p, at + 7, 2));
        c.sortOrder = static_cast<std::uint16_t>(le(p, at + 11, 2));
        c.sortVersion = p[at + 14];
        c.flags = p[at + 15];
        c.extendedFlags = p[at + 16];
        c.fixedOffset = static_cast<std::uint16_t>(le(p, at + 21, 2));
        c.length = static_cast<std::uint16_t>(le(p, at + 23, 2));
        t.columns.push_back(c);
    }
    for (Column& c : t.columns) {
        const std::uint32_t length = le(p, at, 2);
        c.name = utf16(p.subspan(at + 2, length));
        at += 2 + length;
    }
    for (std::uint32_t i = 0; i < realCount; ++i, at += 52) {
        RealIndex index{};
        index.definition.assign(p.begin() + static_cast<std::ptrdiff_t>(at),
                                p.begin() + static_cast<std::ptrdiff_t>(at + 52));
        for (std::size_t slot = 0; slot < 10; ++slot) {
            const std::uint32_t columnNumber = le(p, at + 4 + 3 * slot, 2);
            if (columnNumber != 0xFFFF) {
                index.columnNumbers.push_back(static_cast<std::uint16_t>(columnNumber));
            }
        }
        index.usageMap = le(p, at + 34, 4);
        index.rootPage = le(p, at + 38, 4);
        index.flags = p[at + 46];
        t.realIndexes.push_back(index);
    }
    for (std::uint32_t i = 0; i < logicalCount; ++i, at += 28) {
        LogicalIndex index{};
        index.definition.assign(p.begin() + static_cast<std::ptrdiff_t>(at),
                                p.begin() + static_cast<std::ptrdiff_t>(at + 28));
        index.realIndex = le(p, at + 8, 4);
        index.indexType = p[at + 23];
        t.logicalIndexes.push_back(index);
    }
    for (LogicalIndex& index : t.logicalIndexes) {
        const std::uint32_t length = le(p, at, 2);
        index.name = utf16(p.subspan(at + 2, length));
        at += 2 + length;
    }
    for (;;) {
        const std::uint32_t columnNumber = le(p, at, 2);
        at += 2;
        if (columnNumber == 0xFFFF) {
            break;
        }
        t.longValueMaps.push_back(
            {static_cast<std::uint16_t>(columnNumber), le(p, at, 4), le(p, at + 4, 4)});
        at += 8;
    }
    require(le(p, 8, 4) == at, "stored definition length disagrees with its content");
    require(le(p, 2, 2) == kPageSize - 8 - at, "free space of the definition page is wrong");
    return t;
}

std::span<const std::uint8_t> JetFile::row(std::uint32_t rowPointer) const {
    const auto p = page(rowPointer >> 8);
    require(p[0] == 0x01 && p[1] == 0x01, "row pointer names no data page");
    const std::uint32_t number = rowPointer & 0xFF;
    const std::uint32_t count = le(p, 12, 2);
    require(number < count, "row number beyond the page's rows");
    const std::uint32_t start = le(p, 14 + 2 * number, 2);
    require((start & 0xC000) == 0, "row offset carries flag bits");
    const std::uint32_t end = number == 0 ? kPageSize : le(p, 14 + 2 * (number - 1), 2) & 0x1FFF;
    require(start >= 14 + 2 * count && start < end, "row offsets out of order");
    return p.subspan(start, end - start);
}

std::vector<std::uint32_t> JetFile::usageMapPages(std::uint32_t mapRowPointer) const {
    const auto map = row(mapRowPointer);
    std::vector<std::uint32_t> pages;
    auto collect = [&](std::span<const std::uint8_t> bitmap, std::uint32_t first) {
        for (std::size_t bit = 0; bit < bitmap.size() * 8; ++bit) {
            if ((bitmap[bit / 8] >> (bit % 8)) & 1) {
                pages.push_back(first + static_cast<std::uint32_t>(bit));
            }
        }
    };
    if (map[0] == 0x00) {
        require(map.size() == 69, "inline map of unexpected size");
        collect(map.subspan(5), le(map, 1, 4));
    } else {
        require(map[0] == 0x01 && (map.size() - 1) % 4 == 0, "unknown map type");
        for (std::size_t slot = 0; slot < (map.size() - 1) / 4; ++slot) {
            const std::uint32_t bitmapPage = le(map, 1 + 4 * slot, 4);
            if (bitmapPage != 0) {
                const auto p = page(bitmapPage);
                require(p[0] == 0x05 && p[1] == 0x01, "reference map names no bitmap page");
                collect(p.subspan(4), static_cast<std::uint32_t>(slot * (kPageSize - 4) * 8));
            }
        }
    }
    return pages;
}

std::vector<Field> JetFile::crackRow(const TableDef& table,
                                     std::span<const std::uint8_t> row) const {
    const std::size_t columnCount = le(row, 0, 2);
    require(columnCount == table.columns.size(), "row's column count differs from its table");
    const std::size_t maskSize = (columnCount + 7) / 8;
    const std::size_t maskAt = row.size() - maskSize;
    const std::size_t variableCount = le(row, maskAt - 2, 2);
    require(variableCount == table.variableColumnCount, "row's variable column count is wrong");
    auto variableOffset = [&](std::size_t i) { return le(row, maskAt - 4 - 2 * i, 2); };
    const std::size_t endOfData = variableOffset(variableCount);
    require(endOfData == maskAt - 4 - 2 * variableCount, "end-of-data offset is wrong");

    std::vector<Field> fields(columnCount);
    for (const Column& c : table.columns) {
        const bool present = (row[maskAt + c.number / 8] >> (c.number % 8)) & 1;
        if (!present) {
            continue;
        }
        std::size_t begin = 0;
        std::size_t end = 0;
        if (c.flags & 0x01) {
            begin = 2 + c.fixedOffset;
            end = begin + c.length;
        } else {
            begin = variableOffset(c.variableIndex);
            end = variableOffset(c.variableIndex + 1u);
        }
        require(begin <= end && end <= endOfData, "field outside the row's data");
        fields.at(c.number) = Bytes(row.begin() + static_cast<std::ptrdiff_t>(begin),
                                    row.begin() + static_cast<std::ptrdiff_t>(end));
    }
    return fields;
}

std::uint32_t JetFile::checkRowPage(std::uint32_t number) const {
    const auto p = page(number);
    require(p[0] == 0x01 && p[1] == 0x01, "not a data page");
    const std::uint32_t count = le(p, 12, 2);
    std::uint32_t used = 14;
    for (std::uint32_t i = 0; i < count; ++i) {
        used += static_cast<std::uint32_t>(row((number << 8) | i).size()) + 2;
    }
    require(le(p, 2, 2) == kPageSize - used, "free space of a data page is wrong");
    return count;
}

std::vector<std::vector<Field>> JetFile::tableRows(const TableDef& table) const {
    std::vector<std::vector<Field>> rows;
    for (std::uint32_t pageNumber : usageMapPages(table.ownedPagesMap)) {
        require(le(page(pageNumber), 4, 4) == table.page, "owned page belongs to another table");
        const std::uint32_t count = checkRowPage(pageNumber);
        for (std::uint32_t i = 0; i < count; ++i) {
            rows.push_back(crackRow(table, row((pageNumber << 8) | i)));
        }
    }
    return rows;
}

Bytes JetFile::memoValue(std::span<const std::uint8_t> field, MemoStorage* storage) const {
    require(field.size() >= 12, "memo field shorter than its header");
    const std::uint32_t word = le(field, 0, 4);
    const std::uint32_t length = word & 0x3FFFFFFF;
    const std::uint32_t pointer = le(field, 4, 4);
    Bytes value;
    if (word & 0x80000000) {
        require(field.size() == 12 + length, "inline memo length disagrees");
        value.assign(field.begin() + 12, field.end());
        if (storage) {
            *storage = MemoStorage::Inline;
        }
        return value;
    }
    require(field.size() == 12, "a memo stored elsewhere carries data in the row");
    auto lvalRow = [&](std::uint32_t rowPointer) {
        require(le(page(rowPointer >> 8), 4, 4) == 0x4C41564C, "memo points outside LVAL pages");
        return row(rowPointer);
    };
    if (word & 0x40000000) {
        const auto r = lvalRow(pointer);
        require(r.size() == length, "single-row memo length disagrees");
        value.assign(r.begin(), r.end());
        if (storage) {
            *storage = MemoStorage::SingleRow;
        }
        return value;
    }
    for (std::uint32_t next = pointer; next != 0;) {
        const auto r = lvalRow(next);
        next = le(r, 0, 4);
        value.insert(value.end(), r.begin() + 4, r.end());
        require(value.size() <= length, "memo chain longer than its length");
    }
    require(value.size() == length, "memo chain shorter than its length");
    if (storage) {
        *storage = MemoStorage::Chain;
    }
    return value;
}

std::vector<Bytes> JetFile::indexPageEntries(std::span<const std::uint8_t> p) const {
    const std::size_t prefixLength = le(p, 24, 2);
    std::vector<Bytes> entries;
    std::size_t start = 480;
    Bytes prefix;
    for (std::size_t bit = 1; bit <= kPageSize - 480; ++bit) {
        if (!((p[27 + bit / 8] >> (bit % 8)) & 1)) {
            continue;
        }
        const std::size_t end = 480 + bit;
        Bytes entry = entries.empty() ? Bytes{} : prefix;
        entry.insert(entry.end(), p.begin() + static_cast<std::ptrdiff_t>(start),
                     p.begin() + static_cast<std::ptrdiff_t>(end));
        if (entries.empty()) {
            prefix.assign(entry.begin(), entry.begin() + static_cast<std::ptrdiff_t>(prefixLength));
        }
        entries.push_back(std::move(entry));
        start = end;
    }
    require(le(p, 2, 2) == kPageSize - start, "free space of an index page is wrong");
    return entries;
}

IndexWalk JetFile::walkIndex(std::uint32_t rootPage, std::size_t keyLength) const {
    IndexWalk walk;
    std::vector<std::uint32_t> leaves;
    // Returns the last entry (key and row pointer) of the subtree at `number`.
    auto visit = [&](auto& self, std::uint32_t number) -> Bytes {
        walk.pages.push_back(number);
        const auto p = page(number);
        require(p[1] == 0x01 && (p[0] == 0x03 || p[0] == 0x04), "not an index page");
        const std::vector<Bytes> entries = indexPageEntries(p);
        require(!entries.empty() || walk.pages.size() == 1, "empty index page below the root");
        Bytes last;
        if (p[0] == 0x04) {
            leaves.push_back(number);
            for (const Bytes& e : entries) {
                require(e.size() == keyLength + 4, "leaf entry of unexpected size");
                walk.entries.push_back(
                    {Bytes(e.begin(), e.begin() + static_cast<std::ptrdiff_t>(keyLength)),
                     be(e, keyLength, 4)});
                last = e;
            }
            return last;
        }
        for (const Bytes& e : entries) {
            require(e.size() == keyLength + 8, "node entry of unexpected size");
            const Bytes childLast = self(self, be(e, keyLength + 4, 4));
            require(Bytes(e.begin(), e.end() - 4) == childLast,
                    "node entry is not the last entry of its child");
            last = childLast;
        }
        return last;
    };
    visit(visit, rootPage);
    for (std::size_t i = 0; i < leaves.size(); ++i) {
        const auto p = page(leaves[i]);
        require(le(p, 12, 4) == (i == 0 ? 0 : leaves[i - 1]), "leaf's previous page is wrong");
        require(le(p, 16, 4) == (i + 1 == leaves.size() ? 0 : leaves[i + 1]),
                "leaf's next page is wrong");
    }
    return walk;
}

} // namespace jetcheck
