#pragma once

#include <QString>
#include <QStringView>

namespace lookup {

// The category box's text field and drop-down selection, as the editing rules below see it.
struct CategoryEditState {
    QString text;
    qsizetype cursor = 0;
    qsizetype selectionStart = 0;
    qsizetype selectionLength = 0; // 0: no text selected
    int entry = -1;                // index into categoryEntries(); -1: no entry selected

    QString selectedText() const { return text.mid(selectionStart, selectionLength); }
    bool operator==(const CategoryEditState&) const = default;
};

// How the box reports an operation to its owner, which then searches for the reported text
// (see categoryStartsSearch).
enum class CategoryReport { None, Edit, Pick };

struct CategoryEditResult {
    CategoryEditState state;
    CategoryReport report = CategoryReport::None;

    // Every report carries the field's text after the change.
    const QString& reportedText() const { return state.text; }
};

// The box at start: the caption, caret at its end, nothing selected, no entry selected.
CategoryEditState initialCategoryState();

// A typed character (one or two UTF-16 units) goes in at the caret, in place of any selected
// text. When the text that gives is the beginning of an entry (the first one in list order), the
// field completes to that entry with the completed tail selected and the keystroke is consumed;
// this is reported as a pick only when it selected a different entry. Otherwise the character is
// inserted as typed: an edit.
CategoryEditResult typeCharacter(const CategoryEditState& state, QStringView typed);

// The text up to its first line break (CR or LF): what a one-line box takes from a paste.
QStringView firstLine(QStringView text);

// Paste puts in the first line of the clipboard's text, as the field holds one line, in place of
// any selected text: an edit that leaves no entry selected, not reported when it changes nothing.
CategoryEditResult pasteText(const CategoryEditState& state, QStringView clipboardText);

// Picking entry `index` from the list (mouse or arrow keys): the text becomes the entry, all of
// it selected, and the pick is reported, also when that entry was selected already. An index
// outside the list picks nothing.
CategoryEditResult pickEntry(const CategoryEditState& state, qsizetype index);

} // namespace lookup
