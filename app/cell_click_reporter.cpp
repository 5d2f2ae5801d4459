#include "app/cell_click_reporter.h"

#include <QHeaderView>
#include <QMouseEvent>
#include <QTableView>

namespace app {

CellClickReporter::CellClickReporter(QTableView* grid) : QObject(grid), grid_(grid) {
    // The title row and the row indicator keep the mouse from a press on them to the release.
    for (QWidget* part : {grid->viewport(), grid->horizontalHeader()->viewport(),
                          grid->verticalHeader()->viewport()})
        part->installEventFilter(this);
    connect(grid->horizontalHeader(), &QHeaderView::sectionResized, this, [this] {
        if (pressed_)
            resizedColumn_ = true;
    });
}

bool CellClickReporter::eventFilter(QObject* /*watched*/, QEvent* event) {
    const auto type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonDblClick &&
        type != QEvent::MouseButtonRelease)
        return false;
    const auto* mouse = static_cast<const QMouseEvent*>(event);
    if (mouse->button() != Qt::LeftButton)
        return false;
    if (type != QEvent::MouseButtonRelease) {
        pressed_ = true;
        resizedColumn_ = false;
        return false;
    }
    const bool click = pressed_ && !resizedColumn_;
    pressed_ = false;
    const QPoint at = grid_->viewport()->mapFromGlobal(mouse->globalPosition().toPoint());
    if (click && grid_->viewport()->rect().contains(at) && grid_->indexAt(at).isValid())
        Q_EMIT clicked(grid_->currentIndex().column());
    return false;
}

} // namespace app
