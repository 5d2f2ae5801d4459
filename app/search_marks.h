#pragma once

#include "db/statement_marks.h"

#include "app/marked_cell_delegate.h"
#include "app/selected_marks_painter.h"

#include <QObject>
#include <QPointer>

class QAbstractItemView;
class QPlainTextEdit;

namespace db {
class RecordSet;
} // namespace db

namespace app {

// Marks the keyword of the record set's search where it stands, while the set holds a search
// statement: in the list's cells, and in the detail box on whatever it shows, which is taken as
// a value of the set's field `detailField`. The marks follow from the set's statement each time
// it opens; a closed set marks nothing. In the detail box they are an overlay (extra selections,
// and over the user's selection painted once more) and no part of the document: its text, undo,
// caret, selection and scrolling are untouched, and every change of its text marks the text anew.
class SearchMarks : public QObject {
public:
    SearchMarks(db::RecordSet& set, QAbstractItemView* list, QPlainTextEdit* detail,
                int detailField);

private:
    void followStatement();
    void markDetail();

    db::RecordSet& set_;
    QPointer<QAbstractItemView> list_;
    QPointer<MarkedCellDelegate> cells_;
    QPlainTextEdit* detail_;
    SelectedMarksPainter* selectedMarks_;
    int detailField_;
    QString detailColumn_;
    db::StatementMarks marks_;
};

} // namespace app
