// Listens on the X root window for startup notification messages (_NET_STARTUP_INFO_BEGIN and
// _NET_STARTUP_INFO client messages, 20 bytes each, a message ending at its first zero byte) and
// prints each whole message on a line. Prints "listening" once it listens; exits 0 after a
// message equal to its argument, 1 when the X connection ends.
//   startup_info_listener MESSAGE

#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>

namespace {

xcb_atom_t internAtom(xcb_connection_t* connection, const char* name) {
    const std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
        xcb_intern_atom_reply(
            connection,
            xcb_intern_atom(connection, 0, static_cast<uint16_t>(std::strlen(name)), name),
            nullptr),
        &std::free);
    return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc != 2)
        return 2;
    const std::string expected = argv[1];
    // Closed on every way out, so that a leak check at exit finds nothing of it.
    const std::unique_ptr<xcb_connection_t, decltype(&xcb_disconnect)> owner(
        xcb_connect(nullptr, nullptr), &xcb_disconnect);
    xcb_connection_t* connection = owner.get();
    if (xcb_connection_has_error(connection) != 0)
        return 2;
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    const xcb_atom_t begin = internAtom(connection, "_NET_STARTUP_INFO_BEGIN");
    const xcb_atom_t more = internAtom(connection, "_NET_STARTUP_INFO");
    // Senders address the root window with the property-change mask.
    const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
    std::free(xcb_request_check(connection, xcb_change_window_attributes_checked(
                                                connection, root, XCB_CW_EVENT_MASK, &mask)));
    std::puts("listening");
    std::fflush(stdout);

    // Messages being put together, by the window that sends them.
    std::map<xcb_window_t, std::string> pending;
    while (xcb_generic_event_t* event = xcb_wait_for_event(connection)) {
        const std::unique_ptr<xcb_generic_event_t, decltype(&std::free)> owned(event, &std::free);
        if ((event->response_type & 0x7f) != XCB_CLIENT_MESSAGE)
            continue;
        const auto* message = reinterpret_cast<const xcb_client_message_event_t*>(event);
        if (message->format != 8 || (message->type != begin && message->type != more))
            continue;
        std::string& text = pending[message->window];
        if (message->type == begin)
            text.clear();
        const char* bytes = reinterpret_cast<const char*>(message->data.data8);
        const size_t length = strnlen(bytes, sizeof message->data.data8);
        text.append(bytes, length);
        if (length == sizeof message->data.data8)
            continue;
        std::printf("%s\n", text.c_str());
        std::fflush(stdout);
        if (text == expected)
            return 0;
        pending.erase(message->window);
    }
    return 1;
}
