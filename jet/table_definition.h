#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace jet {

enum class ColumnType : std::uint8_t {
    Boolean = 1,
    Byte = 2,
    Integer = 3,
    LongInteger = 4,
    DateTime = 8,
    Binary = 9,
    Text = 10,
    OleObject = 11,
    Memo = 12,
    Guid = 15,
    FixedBinary = 17, // Access keeps navigation data in a 3,992-byte column of this type
};

namespace column_flag {
inline constexpr std::uint8_t kFixedLength = 0x01;
inline constexpr std::uint8_t kNullable = 0x02;
inline constexpr std::uint8_t kAutonumber = 0x04;
inline constexpr std::uint8_t kSystem = 0x10;
} // namespace column_flag

struct ColumnDefinition {
    std::u16string name;
    ColumnType type;
    std::uint16_t number; // position in a row; Access keeps system columns out of name order
    std::uint8_t flags;
    std::uint16_t length; // bytes; 0 for memo and OLE columns

    bool isFixed() const { return (flags & column_flag::kFixedLength) != 0; }
    bool isLongValue() const { return type == ColumnType::Memo || type == ColumnType::OleObject; }
};

// A primary key over one Long Integer column, the only kind of index the writer builds.
struct PrimaryKeyDefinition {
    std::u16string name;
    std::uint16_t columnNumber;
};

struct TableDefinition {
    std::u16string name;
    bool system = false;
    std::vector<ColumnDefinition> columns; // in the order of their definitions on the page
    std::optional<PrimaryKeyDefinition> primaryKey;

    // Columns sorted by number, as rows store them.
    std::vector<const ColumnDefinition*> columnsByNumber() const;
    // Byte offset of a fixed column within the fixed part of a row.
    std::uint16_t fixedOffset(const ColumnDefinition& column) const;
    // Place of a variable column among the variable columns; for a fixed column the number of
    // variable columns that precede it, as Access writes it.
    std::uint16_t variableIndex(const ColumnDefinition& column) const;
    std::uint16_t variableColumnCount() const;
    std::uint16_t fixedPartSize() const;
};

} // namespace jet
