#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

#include <vector>

namespace db {

// `<column> like '<pattern>'`, the pattern with its quotes removed and doubled apostrophes made
// single: 标题 like '%it''s%' tests against the pattern %it's%.
struct LikeTest {
    QString column;
    QString pattern;
};

// The statements the engine runs:
//   select * from <table>
//   select <column>, <column>, ... from <table>
//   ... where <column> like '<pattern>' [or <column> like '<pattern>' ...]
// Keywords ignore case; names may be written in brackets ([内容]); a trailing ";" and any
// whitespace (the record set ends each line with CR LF) are allowed.
struct SelectStatement {
    QStringList columns; // empty for "*"
    QString table;
    std::vector<LikeTest> anyOf; // the rows that pass any of these tests; empty: every row
};

// Throws DatabaseError: "Syntax error in query near '<token>'" and the like.
SelectStatement parseStatement(QStringView text);

} // namespace db
