#pragma once

#include "db/like_pattern.h"

#include <QObject>

#include <vector>

class QPainter;
class QPlainTextEdit;
class QPointF;
class QRect;
class QTextBlock;

namespace app {

// Draws the keyword marks that lie inside a text box's selection once more, over the selection,
// in the look of a mark on a selected cell. The box draws the user's selection above its extra
// selections, which would hide the marks there. The marks are painted in the box's own paint
// event, after the box has painted, so they stay out of its document and its editing.
class SelectedMarksPainter : public QObject {
public:
    explicit SelectedMarksPainter(QPlainTextEdit* box);

    // The marked runs, as positions in the box's document, in order and not overlapping.
    void setRuns(std::vector<db::LikeSpan> runs) { runs_ = std::move(runs); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void paint(const QRect& area) const;
    void paintInBlock(QPainter& painter, const QTextBlock& block, QPointF origin,
                      db::LikeSpan selected) const;

    QPlainTextEdit* box_;
    std::vector<db::LikeSpan> runs_;
    bool boxPainting_ = false;
};

} // namespace app
