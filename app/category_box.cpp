#include "app/category_box.h"

#include "app/hold_font.h"
#include "app/single_line_paste.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScopedValueRollback>
#include <QSignalBlocker>

namespace app {

CategoryBox::CategoryBox(const QStringList& entries, const QString& caption, const QFont& font,
                         QWidget* parent)
    : QComboBox(parent) {
    setEditable(true);
    holdFont(this, font);
    setInsertPolicy(QComboBox::NoInsert);
    // Completion follows the category rules below, not QCompleter's.
    setCompleter(nullptr);
    addItems(entries);
    setCurrentIndex(-1);
    setEditText(caption);
    // The text field's own edits (its edit menu, the middle button, drag and drop, undo and redo,
    // editing keys with any modifier) reach the field without passing through handleKey; each is
    // reported here. The box's own changes are not edits of the field.
    new SingleLinePaste(lineEdit());
    connect(lineEdit(), &QLineEdit::textEdited, this, [this] {
        if (applying_)
            return;
        entry_ = -1;
        Q_EMIT changed();
    });
    // QComboBox selects the entry matching the text when the field loses the focus, as if picked;
    // leaving the box is no pick here.
    disconnect(lineEdit(), &QLineEdit::editingFinished, this, nullptr);
    connect(this, &QComboBox::activated, this, [this](int index) {
        if (index != entry_ || !listKey_)
            apply(lookup::pickEntry(currentState(), index));
    });
    view()->installEventFilter(this);
    view()->viewport()->installEventFilter(this);
    connect(view()->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) {
                if (listKey_ && current.isValid() && current.row() != entry_)
                    apply(lookup::pickEntry(currentState(), current.row()));
            });
}

bool CategoryBox::eventFilter(QObject* watched, QEvent* event) {
    if (watched == view() && event->type() == QEvent::KeyPress)
        listKey_ = true;
    else if (watched == view()->viewport() &&
             (event->type() == QEvent::MouseMove || event->type() == QEvent::MouseButtonPress))
        listKey_ = false;
    return QComboBox::eventFilter(watched, event);
}

void CategoryBox::keyPressEvent(QKeyEvent* event) {
    if (!handleKey(*event))
        QComboBox::keyPressEvent(event);
}

void CategoryBox::contextMenuEvent(QContextMenuEvent* event) {
    // The menu key reaches the box, which has the focus; the menu is the text field's, sent on to
    // it as a right click on the field is.
    const QPoint at = lineEdit()->mapFrom(this, event->pos());
    QContextMenuEvent onField(event->reason(), at, event->globalPos(), event->modifiers());
    QCoreApplication::sendEvent(lineEdit(), &onField);
    event->setAccepted(onField.isAccepted());
}

void CategoryBox::inputMethodEvent(QInputMethodEvent* event) {
    // Text composed with an input method counts as typed, character by character; what is still
    // being composed is shown by the field as usual.
    const QString committed = event->commitString();
    if (committed.isEmpty()) {
        QComboBox::inputMethodEvent(event);
        return;
    }
    for (qsizetype at = 0; at < committed.size();) {
        const qsizetype length = committed.at(at).isHighSurrogate() ? 2 : 1;
        apply(lookup::typeCharacter(currentState(), QStringView(committed).mid(at, length)));
        at += length;
    }
    event->accept();
}

bool CategoryBox::handleKey(const QKeyEvent& key) {
    const lookup::CategoryEditState state = currentState();
    if (key.matches(QKeySequence::Paste)) {
        apply(lookup::pasteText(state, QGuiApplication::clipboard()->text()));
    } else if (key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter) {
        // Enter picks nothing (QComboBox would pick the entry matching the text).
    } else if ((key.key() == Qt::Key_Down || key.key() == Qt::Key_Up) &&
               !(key.modifiers() & Qt::AltModifier)) {
        // Steps through the entries; from no selection either key selects the first.
        const int step = key.key() == Qt::Key_Down ? 1 : -1;
        const int next = entry_ < 0 ? 0 : std::clamp(entry_ + step, 0, count() - 1);
        if (next != entry_)
            apply(lookup::pickEntry(state, next));
    } else if (!key.text().isEmpty() && key.text().at(0).isPrint() &&
               !(key.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))) {
        apply(lookup::typeCharacter(state, key.text()));
    } else {
        return false; // editing and caret keys, undo, the drop-down key: the field's own
    }
    return true;
}

lookup::CategoryEditState CategoryBox::currentState() const {
    const QLineEdit* field = lineEdit();
    lookup::CategoryEditState state;
    state.text = field->text();
    state.cursor = field->cursorPosition();
    if (field->hasSelectedText()) {
        state.selectionStart = field->selectionStart();
        state.selectionLength = field->selectionLength();
    }
    state.entry = entry_;
    return state;
}

void CategoryBox::apply(const lookup::CategoryEditResult& result) {
    const lookup::CategoryEditState& state = result.state;
    QLineEdit* field = lineEdit();
    const QScopedValueRollback applying(applying_, true);
    if (state.entry >= 0 && state.entry != currentIndex()) {
        // Only a pick shows in the list; QComboBox would also empty the field for no entry.
        const QSignalBlocker blocker(this);
        setCurrentIndex(state.entry);
    }
    entry_ = state.entry;
    if (field->text() != state.text) {
        // Replaced as the user would, so that undo brings the text back.
        field->selectAll();
        field->insert(state.text);
    }
    if (state.selectionLength > 0) {
        // Select so that the caret ends where the state has it.
        const auto start = static_cast<int>(state.selectionStart);
        const auto length = static_cast<int>(state.selectionLength);
        if (state.cursor == state.selectionStart)
            field->setSelection(start + length, -length);
        else
            field->setSelection(start, length);
    } else {
        field->setCursorPosition(static_cast<int>(state.cursor));
    }
    if (result.report != lookup::CategoryReport::None)
        Q_EMIT changed();
}

} // namespace app
