#pragma once

#include "db/like_pattern.h"
#include "db/statement_marks.h"

#include <QStyledItemDelegate>

#include <vector>

namespace app {

// Draws the grid's cells as Qt does, and in a cell of a column that the record set's statement
// searches, marks where the keyword stands in the text it shows. The marks are drawn only: the
// cell's text, its size and what it reads out stay as they are.
class MarkedCellDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void setMarks(db::StatementMarks marks) { marks_ = std::move(marks); }
    // The runs of the cell's text that are marked, in units of its text.
    std::vector<db::LikeSpan> marksAt(const QModelIndex& index) const;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

private:
    db::StatementMarks marks_;
};

} // namespace app
