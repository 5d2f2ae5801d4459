#include "app/click_reporter.h"

#include <QMouseEvent>
#include <QWidget>

namespace app {

ClickReporter::ClickReporter(QWidget* widget) : QObject(widget) {
    widget->installEventFilter(this);
}

bool ClickReporter::eventFilter(QObject* watched, QEvent* event) {
    const auto* mouse = static_cast<const QMouseEvent*>(event);
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        pressed_ = mouse->button() == Qt::LeftButton;
        break;
    case QEvent::MouseButtonDblClick:
        pressed_ = false;
        if (mouse->button() == Qt::LeftButton)
            Q_EMIT doubleClicked();
        break;
    case QEvent::MouseButtonRelease:
        if (pressed_ && mouse->button() == Qt::LeftButton &&
            static_cast<QWidget*>(watched)->rect().contains(mouse->position().toPoint()))
            Q_EMIT clicked();
        pressed_ = false;
        break;
    default:
        break;
    }
    return false;
}

} // namespace app
