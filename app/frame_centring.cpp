#include "app/frame_centring.h"

#include "app/x11_frame.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace app {

FrameCentring::FrameCentring(QWidget* window, Start start) : QObject(window), window_(window) {
    if (start == Start::Now)
        centre(window->frameGeometry());
    window->installEventFilter(this);
}

bool FrameCentring::eventFilter(QObject* watched, QEvent* event) {
    // The frame shows once the window manager has reparented the window: after a move, or by
    // the window's first drawing, when Qt had already put the window where the window manager
    // leaves it. A busy window manager may still place the window after our move, so it is
    // centred until its frame is seen centred: a few times at most, in case a window manager
    // keeps it elsewhere.
    const auto type = event->type();
    if (watched == window_ && (type == QEvent::Move || type == QEvent::Resize ||
                               type == QEvent::Show || type == QEvent::Paint)) {
        if (const std::optional<QRect> frame = framed()) {
            // Qt reports our own move at once; the frame follows once the X server has done it.
            if (isCentred(*frame) || (frame != movedFrom_ && centrings_ == kMostCentrings)) {
                window_->removeEventFilter(this);
            } else if (frame != movedFrom_) {
                ++centrings_;
                movedFrom_ = frame;
                centre(*frame);
            }
        }
    }
    return QObject::eventFilter(watched, event);
}

std::optional<QRect> FrameCentring::framed() const {
    // On X as the server has it; elsewhere as Qt knows it.
    const std::optional<QRect> frame =
        QGuiApplication::platformName() == u"xcb" ? x11FrameOf(*window_) : window_->frameGeometry();
    // A frame window just made can still be smaller than the window it is to hold.
    const QSize client = window_->size();
    if (!frame || frame->size() == client || frame->width() < client.width() ||
        frame->height() < client.height())
        return std::nullopt;
    return frame;
}

bool FrameCentring::isCentred(const QRect& frame) const {
    // Odd sizes round by a pixel either way.
    const QPoint offset = frame.center() - window_->screen()->availableGeometry().center();
    return offset.manhattanLength() <= 2;
}

void FrameCentring::centre(const QRect& frame) {
    const QRect available = window_->screen()->availableGeometry();
    const QPoint wanted = available.center() - QRect(QPoint(), frame.size()).center();
    // Moved by the distance to go: pos() and move() agree with each other whatever Qt takes the
    // frame to be.
    window_->move(window_->pos() + (wanted - frame.topLeft()));
}

} // namespace app
