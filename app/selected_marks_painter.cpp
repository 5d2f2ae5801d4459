#include "app/selected_marks_painter.h"

#include "app/keyword_mark_look.h"

#include <QCoreApplication>
#include <QEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextLayout>

#include <algorithm>

namespace app {

namespace {

// QPlainTextEdit tells where it lays a block out only to its subclasses; the pointers to its
// members read the very geometry it paints with from any box.
struct BoxGeometry : QPlainTextEdit {
    static QPointF blockOrigin(const QPlainTextEdit& box, const QTextBlock& block) {
        const QPointF offset = (box.*&BoxGeometry::contentOffset)();
        return (box.*&BoxGeometry::blockBoundingGeometry)(block).translated(offset).topLeft();
    }
};

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
    paint();
    return true;
}

void SelectedMarksPainter::paint() const {
    const QTextCursor selection = box_->textCursor();
    const qsizetype from = selection.selectionStart();
    const qsizetype to = selection.selectionEnd();
    QTextCharFormat look;
    look.setBackground(keywordMarkBrush(true));
    look.setForeground(keywordMarkText());
    QPainter painter(box_->viewport());
    painter.setPen(box_->palette().color(QPalette::Text));
    for (const db::LikeSpan& run : runs_) {
        const qsizetype begin = std::max(run.begin, from);
        const qsizetype end = std::min(run.end, to);
        if (begin >= end)
            continue;
        for (QTextBlock block = box_->document()->findBlock(static_cast<int>(begin));
             block.isValid() && block.position() < end; block = block.next())
            paintInBlock(painter, block, begin, end, look);
    }
}

// Draws the block's text again with the marked run, clipped to where the run stands, so that no
// character outside it is drawn twice. A run that goes on past a line's end reaches the box's
// right edge, where the layout draws a line break's mark.
void SelectedMarksPainter::paintInBlock(QPainter& painter, const QTextBlock& block, qsizetype begin,
                                        qsizetype end, const QTextCharFormat& look) const {
    QTextLayout* layout = block.layout();
    if (!block.isVisible() || layout == nullptr)
        return;
    const int start = static_cast<int>(std::max<qsizetype>(begin - block.position(), 0));
    const int stop = static_cast<int>(end - block.position());
    const QPointF origin = BoxGeometry::blockOrigin(*box_, block);
    const qreal right = box_->viewport()->width();
    QRegion area;
    for (int i = 0; i < layout->lineCount(); ++i) {
        const QTextLine line = layout->lineAt(i);
        const int lineEnd = line.textStart() + line.textLength();
        const int from = std::max(start, line.textStart());
        const int to = std::min(stop, lineEnd);
        if (from > to || (from == to && stop <= lineEnd))
            continue;
        const QPointF topLeft =
            origin + layout->position() + QPointF(line.cursorToX(from), line.y());
        const qreal width =
            stop > lineEnd ? right - topLeft.x() : line.cursorToX(to) - line.cursorToX(from);
        area += QRectF(topLeft, QSizeF(width, line.height())).toAlignedRect();
    }
    if (area.isEmpty())
        return;
    painter.save();
    painter.setClipRegion(area, Qt::IntersectClip);
    layout->draw(&painter, origin, {{start, stop - start, look}});
    painter.restore();
}

} // namespace app
