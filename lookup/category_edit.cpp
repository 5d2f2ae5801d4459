#include "lookup/category_edit.h"

#include "lookup/categories.h"

#include <algorithm>

namespace lookup {

namespace {

// States built by the caller from a live widget may carry stale positions; keep them in range.
CategoryEditState clamped(CategoryEditState state) {
    const qsizetype size = state.text.size();
    state.cursor = std::clamp<qsizetype>(state.cursor, 0, size);
    state.selectionStart = std::clamp<qsizetype>(state.selectionStart, 0, size);
    state.selectionLength =
        std::clamp<qsizetype>(state.selectionLength, 0, size - state.selectionStart);
    if (state.entry < 0 || state.entry >= categoryEntries().size()) {
        state.entry = -1;
    }
    return state;
}

bool hasSelection(const CategoryEditState& state) {
    return state.selectionLength > 0;
}

// Where typed or pasted text goes: over the selection if there is one, else at the caret.
qsizetype insertionPoint(const CategoryEditState& state) {
    return hasSelection(state) ? state.selectionStart : state.cursor;
}

// A plain edit: `length` units from `start` replaced by `inserted`, the caret after the
// insertion, nothing selected, no entry selected.
CategoryEditResult edited(const CategoryEditState& state, qsizetype start, qsizetype length,
                          QStringView inserted) {
    if (length == 0 && inserted.isEmpty()) {
        return {state, CategoryReport::None};
    }
    CategoryEditState after;
    after.text = state.text;
    after.text.replace(start, length, inserted.toString());
    after.cursor = start + inserted.size();
    after.selectionStart = after.cursor;
    return {after, CategoryReport::Edit};
}

} // namespace

CategoryEditState initialCategoryState() {
    CategoryEditState state;
    state.text = categoryCaption();
    state.cursor = state.text.size();
    state.selectionStart = state.cursor;
    return state;
}

CategoryEditResult typeCharacter(const CategoryEditState& state, QStringView typed) {
    const CategoryEditState before = clamped(state);
    if (typed.isEmpty()) {
        return {before, CategoryReport::None};
    }
    const qsizetype at = insertionPoint(before);
    QString wouldGive = before.text;
    wouldGive.replace(at, before.selectionLength, typed.toString());

    const QStringList& entries = categoryEntries();
    const auto match = std::find_if(entries.cbegin(), entries.cend(), [&](const QString& entry) {
        return entry.startsWith(wouldGive);
    });
    if (match == entries.cend()) {
        return edited(before, at, before.selectionLength, typed);
    }
    CategoryEditState completed;
    completed.text = *match;
    completed.cursor = completed.text.size();
    completed.selectionStart = wouldGive.size();
    completed.selectionLength = completed.text.size() - wouldGive.size();
    completed.entry = static_cast<int>(match - entries.cbegin());
    const bool differentEntry = completed.entry != before.entry;
    return {completed, differentEntry ? CategoryReport::Pick : CategoryReport::None};
}

QStringView firstLine(QStringView text) {
    const auto lineBreak =
        std::find_if(text.cbegin(), text.cend(), [](QChar c) { return c == u'\r' || c == u'\n'; });
    return text.first(lineBreak - text.cbegin());
}

CategoryEditResult pasteText(const CategoryEditState& state, QStringView clipboardText) {
    const CategoryEditState before = clamped(state);
    return edited(before, insertionPoint(before), before.selectionLength, firstLine(clipboardText));
}

CategoryEditResult pickEntry(const CategoryEditState& state, qsizetype index) {
    const QStringList& entries = categoryEntries();
    if (index < 0 || index >= entries.size()) {
        return {clamped(state), CategoryReport::None};
    }
    CategoryEditState picked;
    picked.text = entries[index];
    picked.cursor = picked.text.size();
    picked.selectionStart = 0;
    picked.selectionLength = picked.text.size();
    picked.entry = static_cast<int>(index);
    return {picked, CategoryReport::Pick};
}

} // namespace lookup
