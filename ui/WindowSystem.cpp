#include "WindowSystem.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QThread>
#include <QWidget>
#include <QtGui/qguiapplication_platform.h>

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace {

struct FreeDeleter {
    void operator()(void *p) const { std::free(p); }
};
template <typename T> using XcbReply = std::unique_ptr<T, FreeDeleter>;

xcb_connection_t *Connection()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return nullptr;
    auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

xcb_atom_t Atom(xcb_connection_t *c, const char *name)
{
    const XcbReply<xcb_intern_atom_reply_t> reply(
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(strlen(name)), name), nullptr));
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

xcb_window_t Root(xcb_connection_t *c, xcb_window_t window)
{
    const XcbReply<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(c, xcb_query_tree(c, window), nullptr));
    return tree ? tree->root : xcb_window_t(XCB_WINDOW_NONE);
}

std::vector<uint32_t> Cardinals(xcb_connection_t *c, xcb_window_t window, xcb_atom_t property, xcb_atom_t type)
{
    const XcbReply<xcb_get_property_reply_t> reply(
        xcb_get_property_reply(c, xcb_get_property(c, 0, window, property, type, 0, 1024), nullptr));
    if (!reply || reply->format != 32 || reply->type != type)
        return {};
    const auto *data = static_cast<const uint32_t *>(xcb_get_property_value(reply.get()));
    return std::vector<uint32_t>(data, data + xcb_get_property_value_length(reply.get()) / 4);
}

bool WindowManagerSupports(xcb_connection_t *c, xcb_window_t root, xcb_atom_t feature)
{
    for (uint32_t atom : Cardinals(c, root, Atom(c, "_NET_SUPPORTED"), XCB_ATOM_ATOM))
        if (atom == feature)
            return true;
    return false;
}

void SendToRoot(xcb_connection_t *c, xcb_window_t root, xcb_window_t window, xcb_atom_t type,
                std::initializer_list<uint32_t> data)
{
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = window;
    event.type = type;
    int i = 0;
    for (uint32_t value : data)
        event.data.data32[i++] = value;
    xcb_send_event(c, 0, root, XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char *>(&event));
    xcb_flush(c);
}

} // namespace

void KeepOffTaskbar(QWidget *window)
{
    xcb_connection_t *c = Connection();
    if (!c)
        return;
    const auto id = xcb_window_t(window->winId());
    const xcb_atom_t state = Atom(c, "_NET_WM_STATE");
    const xcb_atom_t skipTaskbar = Atom(c, "_NET_WM_STATE_SKIP_TASKBAR");
    const xcb_atom_t skipPager = Atom(c, "_NET_WM_STATE_SKIP_PAGER");
    if (window->isVisible()) {
        // A mapped window's state belongs to the window manager: ask it.
        SendToRoot(c, Root(c, id), id, state, {1 /* add */, skipTaskbar, skipPager, 1});
        return;
    }
    // Before mapping the window states its own initial state; Qt adds its
    // own states to these when it shows the window.
    std::vector<uint32_t> atoms = Cardinals(c, id, state, XCB_ATOM_ATOM);
    for (xcb_atom_t wanted : {skipTaskbar, skipPager})
        if (std::find(atoms.begin(), atoms.end(), wanted) == atoms.end())
            atoms.push_back(wanted);
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, id, state, XCB_ATOM_ATOM, 32, uint32_t(atoms.size()),
                        atoms.data());
    xcb_flush(c);
}

QMargins WindowFrameExtents(QWidget *window)
{
    xcb_connection_t *c = Connection();
    if (!c)
        return {};
    const auto id = xcb_window_t(window->winId());
    const xcb_window_t root = Root(c, id);
    const xcb_atom_t extents = Atom(c, "_NET_FRAME_EXTENTS");
    std::vector<uint32_t> values = Cardinals(c, id, extents, XCB_ATOM_CARDINAL);
    if (values.size() != 4 && !window->isVisible()) {
        const xcb_atom_t request = Atom(c, "_NET_REQUEST_FRAME_EXTENTS");
        if (!WindowManagerSupports(c, root, request))
            return {};
        // The window manager answers by setting the property on the window;
        // it is a local process, so a short wait is plenty.
        SendToRoot(c, root, id, request, {});
        QElapsedTimer waited;
        waited.start();
        while ((values = Cardinals(c, id, extents, XCB_ATOM_CARDINAL)).size() != 4 && waited.elapsed() < 1000)
            QThread::msleep(5);
    }
    if (values.size() != 4)
        return {};
    // The property lists left, right, top, bottom.
    return QMargins(int(values[0]), int(values[2]), int(values[1]), int(values[3]));
}
