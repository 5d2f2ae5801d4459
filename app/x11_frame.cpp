#include "app/x11_frame.h"

#include <QGuiApplication>
#include <QWidget>

#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>

namespace app {

namespace {

template <typename Reply>
using ReplyPtr = std::unique_ptr<Reply, decltype(&std::free)>;

// Window managers put a window into one frame window, sometimes two deep; more is no frame.
constexpr int kMostFrameLevels = 4;

} // namespace

std::optional<QRect> x11FrameOf(const QWidget& window) {
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    const auto client = static_cast<xcb_window_t>(window.internalWinId());
    if (x11 == nullptr || client == 0)
        return std::nullopt;
    xcb_connection_t* connection = x11->connection();
    // The frame is the window's ancestor that is a child of the root window.
    xcb_window_t frame = client;
    for (int level = 0;; ++level) {
        const ReplyPtr<xcb_query_tree_reply_t> tree(
            xcb_query_tree_reply(connection, xcb_query_tree(connection, frame), nullptr),
            &std::free);
        if (!tree || level > kMostFrameLevels)
            return std::nullopt;
        if (tree->parent == tree->root)
            break;
        frame = tree->parent;
    }
    if (frame == client)
        return std::nullopt;
    const ReplyPtr<xcb_get_geometry_reply_t> geometry(
        xcb_get_geometry_reply(connection, xcb_get_geometry(connection, frame), nullptr),
        &std::free);
    if (!geometry)
        return std::nullopt;
    const int border = 2 * geometry->border_width;
    return QRect(geometry->x, geometry->y, geometry->width + border, geometry->height + border);
}

} // namespace app
