#include "app/row_indicator_header.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QStyleOptionHeader>

namespace app {
namespace {

constexpr int kIndicatorWidth = 12;

} // namespace

RowIndicatorHeader::RowIndicatorHeader(QWidget* parent) : QHeaderView(Qt::Vertical, parent) {
    setFixedWidth(kIndicatorWidth);
    setSectionResizeMode(QHeaderView::Fixed);
    setSectionsClickable(false);
    setHighlightSections(false);
}

QSize RowIndicatorHeader::sizeHint() const {
    return {kIndicatorWidth, defaultSectionSize()};
}

void RowIndicatorHeader::setIndicatorRow(int row) {
    if (row == indicatorRow_)
        return;
    indicatorRow_ = row;
    viewport()->update();
}

void RowIndicatorHeader::mousePressEvent(QMouseEvent* event) {
    const int row = logicalIndexAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton && row >= 0) {
        Q_EMIT rowPressed(row);
        event->accept();
        return;
    }
    QHeaderView::mousePressEvent(event);
}

void RowIndicatorHeader::paintSection(QPainter* painter, const QRect& rect,
                                      int logicalIndex) const {
    QStyleOptionHeader option;
    initStyleOption(&option);
    option.rect = rect;
    option.section = logicalIndex;
    style()->drawControl(QStyle::CE_HeaderSection, &option, painter, this);
    if (logicalIndex != indicatorRow_)
        return;

    // A small solid triangle pointing right, centred in the section.
    const QPointF centre = QRectF(rect).center();
    QPainterPath marker;
    marker.moveTo(centre.x() - 2.5, centre.y() - 4.5);
    marker.lineTo(centre.x() + 2.5, centre.y());
    marker.lineTo(centre.x() - 2.5, centre.y() + 4.5);
    marker.closeSubpath();
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->fillPath(marker, palette().color(QPalette::WindowText));
    painter->restore();
}

} // namespace app
