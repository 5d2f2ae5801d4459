#pragma once

#include <QObject>

class QTableView;

namespace app {

// Reports the cell clicks of a grid: the left button released over a data cell, wherever in the
// grid it was pressed (a cell, the title row, the row indicator), unless the press dragged a
// column's border. A release over the title row or the row indicator, or outside the grid, is no
// cell click. Qt's own clicked() wants press and release on the same cell.
class CellClickReporter : public QObject {
    Q_OBJECT
public:
    // Watches `grid`, which owns the reporter.
    explicit CellClickReporter(QTableView* grid);

Q_SIGNALS:
    // `column` is the grid's current column once the button is up.
    void clicked(int column);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QTableView* grid_;
    bool pressed_ = false;
    bool resizedColumn_ = false;
};

} // namespace app
