#pragma once

#include <QRect>

#include <optional>

class QWidget;

namespace app {

// Where the window manager's frame around the top-level `window` stands on the screen, as the X
// server has it. Qt's own idea of the frame may date from a frame window the window manager had
// only just made (1 × 1 pixels) and is not read again. Nothing when not on X, or before the
// window manager has put a frame around the window.
std::optional<QRect> x11FrameOf(const QWidget& window);

} // namespace app
