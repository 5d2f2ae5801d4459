#include "app/marked_cell_delegate.h"

#include "app/keyword_mark_look.h"

#include <QApplication>
#include <QPainter>
#include <QTextLayout>

#include <algorithm>

namespace app {

std::vector<db::LikeSpan> MarkedCellDelegate::marksAt(const QModelIndex& index) const {
    if (marks_.isEmpty() || !index.isValid())
        return {};
    const QString column = index.model()->headerData(index.column(), Qt::Horizontal).toString();
    return marks_.runsIn(column, index.data(Qt::DisplayRole).toString());
}

// A cell with marks is drawn as Qt draws it without its text, and the text is then laid out over
// it with the marked runs' backgrounds, elided at the right as Qt elides it.
void MarkedCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                               const QModelIndex& index) const {
    const std::vector<db::LikeSpan> marks = marksAt(index);
    if (marks.empty()) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    QStyleOptionViewItem item = option;
    initStyleOption(&item, index);
    const QWidget* widget = item.widget;
    const QStyle* style = widget != nullptr ? widget->style() : QApplication::style();
    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
    const QRect textRect = style->subElementRect(QStyle::SE_ItemViewItemText, &item, widget)
                               .adjusted(margin, 0, -margin, 0);
    const QString text = item.text;
    item.text.clear();
    style->drawControl(QStyle::CE_ItemViewItem, &item, painter, widget);

    const QString shown = item.fontMetrics.elidedText(text, item.textElideMode, textRect.width());
    // Only what is shown of the text before the ellipsis is marked.
    const qsizetype visible =
        shown == text ? text.size() : std::max<qsizetype>(shown.size() - 1, 0);
    const bool selected = (item.state & QStyle::State_Selected) != 0;
    QTextCharFormat mark;
    mark.setBackground(keywordMarkBrush(selected));
    mark.setForeground(keywordMarkText());
    QList<QTextLayout::FormatRange> ranges;
    for (const db::LikeSpan& span : marks) {
        const qsizetype end = std::min(span.end, visible);
        if (span.begin < end)
            ranges.append({static_cast<int>(span.begin), static_cast<int>(end - span.begin), mark});
    }
    QTextLayout layout(shown, item.font);
    layout.setFormats(ranges);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    line.setLineWidth(textRect.width());
    layout.endLayout();
    const QPalette::ColorGroup group =
        (item.state & QStyle::State_Enabled) != 0 ? QPalette::Normal : QPalette::Disabled;
    painter->save();
    painter->setPen(
        item.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text));
    painter->setClipRect(textRect, Qt::IntersectClip);
    const qreal top = textRect.top() + (textRect.height() - line.height()) / 2;
    layout.draw(painter, QPointF(textRect.left(), top));
    painter->restore();
}

} // namespace app
