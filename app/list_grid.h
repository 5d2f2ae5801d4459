#pragma once

#include "db/data_source.h"

#include <QPointer>
#include <QTableView>

#include <functional>

namespace app {

class RowIndicatorHeader;

// The remedy list: a read-only table over a data source whose current row always is the record
// set's current record. The row indicator at the left edge marks it; a click or a cursor key
// moves the record set, and a move of the record set moves the grid and scrolls it into view.
//
// Every event that reaches the grid, the mouse wheel over any part of it included (cells, title
// row, row indicator, scroll bars), goes through its
// window method, which the owner may replace (keeping the old one to pass events on to).
class ListGrid : public QTableView {
    Q_OBJECT
public:
    // Handles one event; returns whether it was handled, as QObject::event does.
    using WindowMethod = std::function<bool(QEvent*)>;

    explicit ListGrid(QWidget* parent = nullptr);

    void setDataSource(db::DataSource* source);

    WindowMethod windowMethod() const { return windowMethod_; }
    void setWindowMethod(WindowMethod method) { windowMethod_ = std::move(method); }

    RowIndicatorHeader* rowIndicator() const;

protected:
    bool event(QEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;

private:
    bool defaultWindowMethod(QEvent* event);
    void followRecordSet();
    // The current cell's column while it is shown, else the first shown one.
    int shownColumn() const;
    int firstVisibleColumn() const;

    // The window may destroy the data source before the grid.
    QPointer<db::DataSource> source_;
    WindowMethod windowMethod_;
    bool following_ = false;
    bool passingWheelOn_ = false;
};

} // namespace app
