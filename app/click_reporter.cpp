#include "app/click_reporter.h"

#include <QMouseEvent>
#include <QWidget>

namespace app {

ClickReporter::ClickReporter(QWidget* widget) : QObject(widget) {
    widget->installEventFilter(this);
}

bool ClickReporter::eventFilter(QObject* watched, QEvent* event) {
    const auto type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonDblClick &&
        type != QEvent::MouseButtonRelease)
        return false;
    const auto* mouse = static_cast<const QMouseEvent*>(event);
    const bool left = mouse->button() == Qt::LeftButton;
    if (type == QEvent::MouseButtonPress) {
        pressed_ = left;
    } else if (type == QEvent::MouseButtonDblClick) {
        pressed_ = false;
        if (left)
            Q_EMIT doubleClicked();
    } else {
        const bool over =
            static_cast<QWidget*>(watched)->rect().contains(mouse->position().toPoint());
        if (pressed_ && left && over)
            Q_EMIT clicked();
        pressed_ = false;
    }
    return false;
}

} // namespace app
