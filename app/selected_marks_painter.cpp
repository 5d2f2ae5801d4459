#include "app/selected_marks_painter.h"

#include "app/keyword_mark_look.h"

#include <QCoreApplication>
#include <QPaintEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextLayout>

#include <algorithm>

namespace app {

namespace {

// QPlainTextEdit tells which blocks it shows and where only to its subclasses; the pointers to
// its members read the very geometry it paints with from any box.
struct BoxGeometry : QPlainTextEdit {
    static QTextBlock firstShown(const QPlainTextEdit& box) {
        return (box.*&BoxGeometry::firstVisibleBlock)();
    }
    // The block's place in the viewport, as the box lays it out.
    static QRectF place(const QPlainTextEdit& box, const QTextBlock& block) {
        const QPointF offset = (box.*&BoxGeometry::contentOffset)();
        return (box.*&BoxGeometry::blockBoundingGeometry)(block).translated(offset);
    }
};

// Where the characters [start, stop) of the block stand in the viewport, its layout drawn at
// `origin`. A run that goes on past a line's end reaches the viewport's right edge `right`, where
// the layout draws a line break's mark.
QRegion runArea(const QTextLayout& layout, QPointF origin, int start, int stop, qreal right) {
    QRegion area;
    for (int i = 0; i < layout.lineCount(); ++i) {
        const QTextLine line = layout.lineAt(i);
        const int lineEnd = line.textStart() + line.textLength();
        const int from = std::max(start, line.textStart());
        const int to = std::min(stop, lineEnd);
        if (from > to || (from == to && stop <= lineEnd))
            continue;
        const QPointF topLeft =
            origin + layout.position() + QPointF(line.cursorToX(from), line.y());
        const qreal width =
            stop > lineEnd ? right - topLeft.x() : line.cursorToX(to) - line.cursorToX(from);
        area += QRectF(topLeft, QSizeF(width, line.height())).toAlignedRect();
    }
    return area;
}

} // namespace

SelectedMarksPainter::SelectedMarksPainter(QPlainTextEdit* box) : QObject(box), box_(box) {
    box->viewport()->installEventFilter(this);
}

bool SelectedMarksPainter::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::Paint || boxPainting_ || runs_.empty() ||
        !box_->textCursor().hasSelection())
        return false;
    // The box paints first, selection and marks included, then the marks it covered over it.
    boxPainting_ = true;
    QCoreApplication::sendEvent(watched, event);
    boxPainting_ = false;
    paint(static_cast<QPaintEvent*>(event)->rect());
    return true;
}

// Only the blocks shown in the area to paint are drawn, as the box draws them.
void SelectedMarksPainter::paint(const QRect& area) const {
    const QTextCursor selection = box_->textCursor();
    const db::LikeSpan selected{selection.selectionStart(), selection.selectionEnd()};
    QPainter painter(box_->viewport());
    painter.setPen(box_->palette().color(QPalette::Text));
    for (QTextBlock block = BoxGeometry::firstShown(*box_); block.isValid(); block = block.next()) {
        const QRectF place = BoxGeometry::place(*box_, block);
        if (place.top() > area.bottom())
            break;
        if (block.isVisible() && place.bottom() >= area.top())
            paintInBlock(painter, block, place.topLeft(), selected);
    }
}

// Draws the block's text again with its marked runs that lie in the selection, clipped to where
// those runs stand, so that no character outside them is drawn twice.
void SelectedMarksPainter::paintInBlock(QPainter& painter, const QTextBlock& block, QPointF origin,
                                        db::LikeSpan selected) const {
    const QTextLayout* layout = block.layout();
    const qsizetype blockStart = block.position();
    const qsizetype blockEnd = blockStart + block.length();
    if (layout == nullptr || selected.end <= blockStart || selected.begin >= blockEnd)
        return;
    QTextCharFormat look;
    look.setBackground(keywordMarkBrush(true));
    look.setForeground(keywordMarkText());
    QList<QTextLayout::FormatRange> ranges;
    QRegion area;
    // The runs are in order, left to right: from the first that ends inside the block on.
    auto run =
        std::upper_bound(runs_.cbegin(), runs_.cend(), blockStart,
                         [](qsizetype at, const db::LikeSpan& span) { return at < span.end; });
    for (; run != runs_.cend() && run->begin < blockEnd; ++run) {
        const qsizetype begin = std::max(run->begin, selected.begin);
        const qsizetype end = std::min(run->end, selected.end);
        if (begin >= end)
            continue;
        // As the box does, a run past the block's end is passed on whole: the layout marks the
        // line break.
        const int start = static_cast<int>(std::max<qsizetype>(begin - blockStart, 0));
        const int stop = static_cast<int>(end - blockStart);
        ranges.append({start, stop - start, look});
        area += runArea(*layout, origin, start, stop, box_->viewport()->width());
    }
    if (area.isEmpty())
        return;
    painter.save();
    painter.setClipRegion(area, Qt::IntersectClip);
    layout->draw(&painter, origin, ranges);
    painter.restore();
}

} // namespace app
