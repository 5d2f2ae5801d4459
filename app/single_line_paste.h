#pragma once

#include <QObject>

class QLineEdit;

namespace app {

// Makes a one-line edit box take pasted text up to its first line break, by every route a paste
// can take: the paste keys (Ctrl+V, Shift+Insert), the box's edit menu, the middle button (the
// X selection) and drag and drop. Left alone, QLineEdit would take the line breaks in too.
// Each paste is an ordinary edit of the box: undoable, and reported by textEdited().
class SingleLinePaste : public QObject {
    Q_OBJECT
public:
    // Watches `edit`, which owns the filter.
    explicit SingleLinePaste(QLineEdit* edit);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void pasteFrom(bool selection);
    void showEditMenu(QPoint globalPos);

    QLineEdit* edit_;
};

} // namespace app
