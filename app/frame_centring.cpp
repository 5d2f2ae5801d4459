#include "app/frame_centring.h"

#include <QEvent>
#include <QScreen>
#include <QWidget>

namespace app {

FrameCentring::FrameCentring(QWidget* window, Start start) : QObject(window), window_(window) {
    if (start == Start::Now)
        centre();
    window->installEventFilter(this);
}

bool FrameCentring::eventFilter(QObject* watched, QEvent* event) {
    // The frame shows in the window's geometry once the window manager has reparented it: after
    // a move, or by the window's first drawing, when Qt had already put the window where the
    // window manager leaves it.
    const auto type = event->type();
    if (watched == window_ &&
        (type == QEvent::Move || type == QEvent::Show || type == QEvent::Paint) &&
        window_->frameGeometry().size() != window_->size()) {
        window_->removeEventFilter(this);
        centre();
    }
    return QObject::eventFilter(watched, event);
}

void FrameCentring::centre() {
    const QRect available = window_->screen()->availableGeometry();
    // move() places the frame's top-left corner.
    window_->move(available.center() - QRect(QPoint(), window_->frameGeometry().size()).center());
}

} // namespace app
