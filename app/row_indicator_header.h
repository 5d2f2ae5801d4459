#pragma once

#include <QHeaderView>

namespace app {

// The narrow column at the left edge of the list grid: a blank button per row, with a marker on
// the row of the current record only. A left press on a row's button reports that row.
class RowIndicatorHeader : public QHeaderView {
    Q_OBJECT
public:
    explicit RowIndicatorHeader(QWidget* parent = nullptr);

    int indicatorRow() const { return indicatorRow_; }
    void setIndicatorRow(int row); // -1: no marker

    // Its width is fixed and its rows all have the default height, so nothing is measured: the
    // header's own hint would measure up to 200 rows' numbers at every change of the list.
    QSize sizeHint() const override;

Q_SIGNALS:
    void rowPressed(int row);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;

private:
    int indicatorRow_ = -1;
};

} // namespace app
