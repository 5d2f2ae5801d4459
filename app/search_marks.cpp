#include "app/search_marks.h"

#include "app/keyword_mark_look.h"
#include "db/record_set.h"

#include <QAbstractItemView>
#include <QPlainTextEdit>

namespace app {

SearchMarks::SearchMarks(db::RecordSet& set, QAbstractItemView* list, QPlainTextEdit* detail,
                         int detailField)
    : QObject(detail), set_(set), list_(list), cells_(new MarkedCellDelegate(list)),
      detail_(detail), selectedMarks_(new SelectedMarksPainter(detail)), detailField_(detailField) {
    list->setItemDelegate(cells_);
    connect(&set, &db::RecordSet::opened, this, &SearchMarks::followStatement);
    connect(&set, &db::RecordSet::closed, this, &SearchMarks::followStatement);
    connect(detail, &QPlainTextEdit::textChanged, this, &SearchMarks::markDetail);
    followStatement();
}

void SearchMarks::followStatement() {
    marks_ = set_.active() ? db::StatementMarks::forLines(set_.sql()) : db::StatementMarks();
    detailColumn_ = set_.fieldName(detailField_);
    if (cells_ && list_) {
        cells_->setMarks(marks_);
        list_->viewport()->update();
    }
    markDetail();
}

void SearchMarks::markDetail() {
    if (marks_.isEmpty() && detail_->extraSelections().isEmpty())
        return; // nothing marked before or now: the text need not be read
    QTextCharFormat mark;
    mark.setBackground(keywordMarkBrush(false));
    mark.setForeground(keywordMarkText());
    std::vector<db::LikeSpan> runs = marks_.runsIn(detailColumn_, detail_->toPlainText());
    QList<QTextEdit::ExtraSelection> selections;
    for (const db::LikeSpan& run : runs) {
        QTextCursor cursor(detail_->document());
        cursor.setPosition(static_cast<int>(run.begin));
        cursor.setPosition(static_cast<int>(run.end), QTextCursor::KeepAnchor);
        selections.append({cursor, mark});
    }
    detail_->setExtraSelections(selections);
    selectedMarks_->setRuns(std::move(runs));
}

} // namespace app
