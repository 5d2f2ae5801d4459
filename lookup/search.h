#pragma once

#include <QString>
#include <QStringView>

namespace lookup {

// Statement that finds the remedies whose title or body contains the keyword. The keyword goes
// into both quoted patterns with every apostrophe doubled, so an apostrophe is matched literally
// instead of ending the pattern; "%" and "_" keep their wildcard meaning.
QString searchStatement(const QString& keyword);

// Status-bar text after a search, e.g. "关于补气的信息,共搜索到12条" (ASCII comma).
QString searchMessage(const QString& keyword, qsizetype hits);

inline constexpr QStringView kEmptyKeywordMessage = u"请输入搜索关键词！";
inline constexpr QStringView kNoResultMessage = u"对不起没有找到相关信息！请重新输入关键词";

// The whole table: opened at start and again when a search finds nothing.
inline constexpr QStringView kFullTableStatement = u"Select * from data";
// What the refresh action loads into the list.
inline constexpr QStringView kListStatement = u"Select 编号,标题,内容 from data";

} // namespace lookup
