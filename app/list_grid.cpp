#include "app/list_grid.h"

#include "app/error_report.h"
#include "app/row_indicator_header.h"
#include "db/data_source.h"
#include "db/record_set.h"

#include <QEvent>
#include <QHeaderView>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <QStyleOptionHeader>

namespace app {
namespace {

constexpr int kRowHeight = 17;

// The title row. Its height follows the font and the style, not the titles: every title is one
// line of text. Qt's own hint measures each title again at every change of the columns, which
// the grid's every open causes; this one measures once and again only when the font or the
// style changes. Qt also measures titles in bold, to fit a highlighted title; the grid
// highlights none and never sizes a column to its title, so they are measured in the font
// they are drawn in, which spares loading a bold font at start.
class TitleRow : public QHeaderView {
public:
    explicit TitleRow(QWidget* parent) : QHeaderView(Qt::Horizontal, parent) {}

    QSize sizeHint() const override {
        if (!measured_.isValid() && count() > 0)
            measured_ = QHeaderView::sizeHint();
        return measured_.isValid() ? measured_ : QHeaderView::sizeHint();
    }

protected:
    QSize sectionSizeFromContents(int logicalIndex) const override {
        ensurePolished();
        QStyleOptionHeader option;
        initStyleOption(&option);
        option.section = logicalIndex;
        option.text = model()->headerData(logicalIndex, orientation()).toString();
        return style()->sizeFromContents(QStyle::CT_HeaderSection, &option, QSize(), this);
    }

    void changeEvent(QEvent* event) override {
        if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
            measured_ = QSize();
        QHeaderView::changeEvent(event);
    }

private:
    mutable QSize measured_;
};

} // namespace

ListGrid::ListGrid(QWidget* parent)
    : QTableView(parent), windowMethod_([this](QEvent* e) { return defaultWindowMethod(e); }) {
    setHorizontalHeader(new TitleRow(this));
    setVerticalHeader(new RowIndicatorHeader(this));
    // The wheel over the title row, the row indicator or a scroll bar is the grid's wheel too:
    // without this, each of them would scroll the view by itself, past the current record.
    for (QWidget* part :
         {horizontalHeader()->viewport(), verticalHeader()->viewport(),
          static_cast<QWidget*>(verticalScrollBar()), static_cast<QWidget*>(horizontalScrollBar())})
        part->installEventFilter(this);
    verticalHeader()->setDefaultSectionSize(kRowHeight);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setHighlightSections(false);
    // Clickable so that a title is highlighted under the pointer; a click on it selects nothing.
    horizontalHeader()->setSectionsClickable(true);
    disconnect(horizontalHeader(), &QHeaderView::sectionPressed, nullptr, nullptr);
    disconnect(horizontalHeader(), &QHeaderView::sectionEntered, nullptr, nullptr);
    setShowGrid(true);
    setWordWrap(false);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    // The engine is read-only: nothing typed into the grid could be kept.
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    // A press on the row indicator makes that row the current record.
    connect(rowIndicator(), &RowIndicatorHeader::rowPressed, this, [this](int row) {
        setFocus(Qt::MouseFocusReason);
        const int column = shownColumn();
        if (model() != nullptr && column >= 0)
            setCurrentIndex(model()->index(row, column));
    });
    // Hiding the current cell's column (the owner's column layout) moves the cell to a shown one.
    connect(horizontalHeader(), &QHeaderView::sectionResized, this, [this](int, int, int newSize) {
        if (newSize == 0)
            followRecordSet();
    });
}

RowIndicatorHeader* ListGrid::rowIndicator() const {
    return static_cast<RowIndicatorHeader*>(verticalHeader());
}

void ListGrid::setDataSource(db::DataSource* source) {
    source_ = source;
    setModel(source);
    connect(source, &QAbstractItemModel::modelReset, this, &ListGrid::followRecordSet);
    connect(&source->recordSet(), &db::RecordSet::currentRowChanged, this,
            &ListGrid::followRecordSet);
}

bool ListGrid::event(QEvent* event) {
    return windowMethod_(event);
}

bool ListGrid::viewportEvent(QEvent* event) {
    // The wheel over the cells arrives at the viewport; it is the grid's wheel all the same.
    if (event->type() == QEvent::Wheel)
        return windowMethod_(event);
    return QTableView::viewportEvent(event);
}

bool ListGrid::eventFilter(QObject* watched, QEvent* event) {
    // The grid's own wheel handling passes the wheel on to a scroll bar; that one is let through.
    if (event->type() == QEvent::Wheel && !passingWheelOn_) {
        windowMethod_(event);
        return true;
    }
    return QTableView::eventFilter(watched, event);
}

bool ListGrid::defaultWindowMethod(QEvent* event) {
    if (event->type() == QEvent::Wheel) {
        QScopedValueRollback passing(passingWheelOn_, true);
        return QTableView::viewportEvent(event);
    }
    return QTableView::event(event);
}

void ListGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    QTableView::currentChanged(current, previous);
    db::DataSource* source = source_.data();
    if (following_ || source == nullptr || !current.isValid())
        return;
    db::RecordSet& set = source->recordSet();
    const int distance = current.row() - set.currentRow();
    if (distance == 0)
        return;
    runReportingErrors([&] { set.moveBy(distance); });
    // The record set may stop short of the row (or refuse to move); show where it stands.
    followRecordSet();
}

void ListGrid::followRecordSet() {
    const db::DataSource* source = source_.data();
    if (source == nullptr)
        return;
    const int row = source->recordSet().currentRow();
    rowIndicator()->setIndicatorRow(row);
    const int column = shownColumn();
    if (row < 0 || column < 0)
        return;
    const QModelIndex index = model()->index(row, column);
    if (index == currentIndex())
        return;
    QScopedValueRollback guard(following_, true);
    setCurrentIndex(index);
    scrollTo(index);
}

int ListGrid::shownColumn() const {
    return currentIndex().isValid() && !isColumnHidden(currentIndex().column())
               ? currentIndex().column()
               : firstVisibleColumn();
}

int ListGrid::firstVisibleColumn() const {
    for (int column = 0; column < model()->columnCount(); ++column) {
        if (!isColumnHidden(column))
            return column;
    }
    return -1;
}

} // namespace app
