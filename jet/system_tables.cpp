#include "jet/system_tables.h"

namespace jet {

namespace {

using T = ColumnType;

// Flags Access gives the columns of its system tables.
constexpr std::uint8_t kFixed = 0x13;
constexpr std::uint8_t kVariable = 0x12;
constexpr std::uint8_t kOwnerBinary = 0x32;
constexpr std::uint16_t kText255 = 510;

TableDefinition systemTable(std::u16string name, std::vector<ColumnDefinition> columns) {
    return TableDefinition{std::move(name), true, std::move(columns), std::nullopt};
}

} // namespace

const TableDefinition& catalogTable() {
    static const TableDefinition table =
        systemTable(u"MSysObjects", {
                                        {u"Connect", T::Memo, 9, kVariable, 0},
                                        {u"Database", T::Memo, 8, kVariable, 0},
                                        {u"DateCreate", T::DateTime, 4, kFixed, 8},
                                        {u"DateUpdate", T::DateTime, 5, kFixed, 8},
                                        {u"Flags", T::LongInteger, 7, kFixed, 4},
                                        {u"ForeignName", T::Text, 10, kVariable, kText255},
                                        {u"Id", T::LongInteger, 0, kFixed, 4},
                                        {u"Lv", T::OleObject, 13, kVariable, 0},
                                        {u"LvExtra", T::OleObject, 16, kVariable, 0},
                                        {u"LvModule", T::OleObject, 15, kVariable, 0},
                                        {u"LvProp", T::OleObject, 14, kVariable, 0},
                                        {u"Name", T::Text, 2, kVariable, kText255},
                                        {u"Owner", T::Binary, 6, kOwnerBinary, kText255},
                                        {u"ParentId", T::LongInteger, 1, kFixed, 4},
                                        {u"RmtInfoLong", T::OleObject, 12, kVariable, 0},
                                        {u"RmtInfoShort", T::Binary, 11, kVariable, kText255},
                                        {u"Type", T::Integer, 3, kFixed, 2},
                                    });
    return table;
}

const std::vector<SystemTable>& otherSystemTables() {
    static const std::vector<SystemTable> tables = {
        {systemTable(u"MSysACEs",
                     {
                         {u"ACM", T::LongInteger, 2, kFixed, 4},
                         {u"FInheritable", T::Boolean, 3, kFixed, 1},
                         {u"ObjectId", T::LongInteger, 0, kFixed, 4},
                         {u"SID", T::Binary, 1, kOwnerBinary, kText255},
                     }),
         kJetSystemObject},
        {systemTable(u"MSysQueries",
                     {
                         {u"Attribute", T::Byte, 1, kFixed, 1},
                         {u"Expression", T::Memo, 5, kVariable, 0},
                         {u"Flag", T::Integer, 6, kFixed, 2},
                         {u"LvExtra", T::LongInteger, 7, kFixed, 4},
                         {u"Name1", T::Text, 3, kVariable, kText255},
                         {u"Name2", T::Text, 4, kVariable, kText255},
                         {u"ObjectId", T::LongInteger, 0, kFixed, 4},
                         {u"Order", T::Binary, 2, kVariable, kText255},
                     }),
         kJetSystemObject},
        {systemTable(u"MSysRelationships",
                     {
                         {u"ccolumn", T::LongInteger, 2, kFixed, 4},
                         {u"grbit", T::LongInteger, 1, kFixed, 4},
                         {u"icolumn", T::LongInteger, 3, kFixed, 4},
                         {u"szColumn", T::Text, 5, kVariable, kText255},
                         {u"szObject", T::Text, 4, kVariable, kText255},
                         {u"szReferencedColumn", T::Text, 7, kVariable, kText255},
                         {u"szReferencedObject", T::Text, 6, kVariable, kText255},
                         {u"szRelationship", T::Text, 0, kVariable, kText255},
                     }),
         kJetSystemObject},
        {systemTable(u"MSysAccessObjects",
                     {
                         {u"Data", T::FixedBinary, 0, 0x03, 3992},
                         {u"ID", T::LongInteger, 1, 0x02, 4},
                     }),
         kAccessSystemObject},
        {systemTable(u"MSysAccessXML",
                     {
                         {u"Id", T::LongInteger, 0, kFixed, 4},
                         {u"LValue", T::OleObject, 1, kVariable, 0},
                         {u"ObjectGuid", T::Guid, 2, kFixed, 16},
                         {u"ObjectName", T::Text, 3, kVariable, kText255},
                         {u"Property", T::Text, 4, kVariable, kText255},
                         {u"Value", T::Memo, 5, kVariable, 0},
                     }),
         kAccessSystemObject},
        {systemTable(u"MSysIMEXColumns",
                     {
                         {u"Attributes", T::LongInteger, 0, kFixed, 4},
                         {u"DataType", T::Integer, 1, kFixed, 2},
                         {u"FieldName", T::Text, 2, kVariable, 128},
                         {u"IndexType", T::Byte, 3, kFixed, 1},
                         {u"SkipColumn", T::Boolean, 4, kFixed, 1},
                         {u"SpecID", T::LongInteger, 5, kFixed, 4},
                         {u"Start", T::Integer, 6, kFixed, 2},
                         {u"Width", T::Integer, 7, kFixed, 2},
                     }),
         kAccessSystemObject},
        {systemTable(u"MSysIMEXSpecs",
                     {
                         {u"DateDelim", T::Text, 0, kVariable, 4},
                         {u"DateFourDigitYear", T::Boolean, 1, kFixed, 1},
                         {u"DateLeadingZeros", T::Boolean, 2, kFixed, 1},
                         {u"DateOrder", T::Integer, 3, kFixed, 2},
                         {u"DecimalPoint", T::Text, 4, kVariable, 4},
                         {u"FieldSeparator", T::Text, 5, kVariable, 4},
                         {u"FileType", T::Integer, 6, kFixed, 2},
                         {u"SpecID", T::LongInteger, 7, kFixed, 4},
                         {u"SpecName", T::Text, 8, kVariable, 128},
                         {u"SpecType", T::Byte, 9, kFixed, 1},
                         {u"StartRow", T::LongInteger, 10, kFixed, 4},
                         {u"TextDelim", T::Text, 11, kVariable, 4},
                         {u"TimeDelim", T::Text, 12, kVariable, 4},
                     }),
         kAccessSystemObject},
    };
    return tables;
}

} // namespace jet
