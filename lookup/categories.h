#pragma once

#include <QString>
#include <QStringList>

namespace lookup {

// The category box's twenty entries, in the order the drop-down list shows them.
const QStringList& categoryEntries();

// The category box's text at start, "分类查看"; it is not an entry.
QString categoryCaption();

// Whether the category box's text, as reported after a change, is searched for:
// not when it is empty, nor when it is the caption.
bool categoryStartsSearch(const QString& boxText);

} // namespace lookup
