#pragma once

#include "lookup/category_edit.h"

#include <QComboBox>

namespace app {

// The category box: an editable drop-down of the category entries whose text field completes
// what is typed against them. It reports a change (changed()) exactly when the category editing
// rules (lookup/category_edit.h) say so: a pick from the list (a click, Enter, or each step of the
// arrow keys through the open list) or with the arrow keys in the closed box, a completion
// that selects a different entry, and every edit of the text field, by whatever route: keys with
// any modifier, the field's edit menu, the middle button, drag and drop, undo and redo, an input
// method. Pasted text goes in up to its first line break.
class CategoryBox : public QComboBox {
    Q_OBJECT
public:
    // The box and its text field use `font` from the start, before the field shows `caption`.
    CategoryBox(const QStringList& entries, const QString& caption, const QFont& font,
                QWidget* parent = nullptr);

    // The entry the box has selected, -1 for none.
    int selectedEntry() const { return entry_; }

Q_SIGNALS:
    void changed();

protected:
    // The box, not its text field, has the keyboard focus and receives the keys.
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool handleKey(const QKeyEvent& key);
    lookup::CategoryEditState currentState() const;
    void apply(const lookup::CategoryEditResult& result);

    int entry_ = -1;
    // Whether the open list was last used with the keyboard: the entry its keys move to counts as
    // picked at once, while the pointer moving over the list moves it too and picks nothing.
    bool listKey_ = false;
    // Set while the box changes its own text, which is no edit of the field.
    bool applying_ = false;
};

} // namespace app
