#include "app/WindowHints.h"

#include <xcb/xcb.h>

#include <QGuiApplication>
#include <QWidget>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace nimbrel {

namespace {

xcb_connection_t* Connection() {
    if (QGuiApplication::platformName() != QLatin1String("xcb")) return nullptr;
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

xcb_atom_t Atom(xcb_connection_t* c, const char* name) {
    xcb_intern_atom_reply_t* r =
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(std::strlen(name)), name), nullptr);
    const xcb_atom_t a = r ? r->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(r);
    return a;
}

template <typename T>
std::vector<T> Property(xcb_connection_t* c, xcb_window_t w, xcb_atom_t property, xcb_atom_t type) {
    std::vector<T> values;
    xcb_get_property_reply_t* p =
        xcb_get_property_reply(c, xcb_get_property(c, 0, w, property, type, 0, 1024), nullptr);
    if (p && p->format == 32 && p->type == type) {
        const auto* v = static_cast<const T*>(xcb_get_property_value(p));
        values.assign(v, v + xcb_get_property_value_length(p) / 4);
    }
    std::free(p);
    return values;
}

// The name the running window manager gives itself (EWMH's check window), or
// empty.
std::string WindowManagerName(xcb_connection_t* c) {
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    const std::vector<xcb_window_t> check =
        Property<xcb_window_t>(c, root, Atom(c, "_NET_SUPPORTING_WM_CHECK"), XCB_ATOM_WINDOW);
    if (check.empty()) return {};
    std::string name;
    const xcb_atom_t utf8 = Atom(c, "UTF8_STRING");
    xcb_get_property_reply_t* p =
        xcb_get_property_reply(c, xcb_get_property(c, 0, check.front(), Atom(c, "_NET_WM_NAME"), utf8, 0, 64), nullptr);
    if (p && p->format == 8 && p->type == utf8)
        name.assign(static_cast<const char*>(xcb_get_property_value(p)), size_t(xcb_get_property_value_length(p)));
    std::free(p);
    return name;
}

// _NET_WM_STATE of a window that is not mapped: what Qt finds there it keeps
// when it shows the window.
void EditState(xcb_connection_t* c, xcb_window_t w, xcb_atom_t state, xcb_atom_t remove1, xcb_atom_t remove2,
               xcb_atom_t add) {
    std::vector<xcb_atom_t> atoms = Property<xcb_atom_t>(c, w, state, XCB_ATOM_ATOM);
    atoms.erase(std::remove_if(atoms.begin(), atoms.end(),
                               [&](xcb_atom_t a) { return a != XCB_ATOM_NONE && (a == remove1 || a == remove2); }),
                atoms.end());
    if (add != XCB_ATOM_NONE) atoms.push_back(add);
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, state, XCB_ATOM_ATOM, 32, uint32_t(atoms.size()), atoms.data());
}

// A mapped window's state belongs to the window manager: it is asked to add
// or remove one state.
void RequestState(xcb_connection_t* c, xcb_window_t w, xcb_atom_t state, xcb_atom_t which, bool add) {
    xcb_client_message_event_t e{};
    e.response_type = XCB_CLIENT_MESSAGE;
    e.format = 32;
    e.window = w;
    e.type = state;
    e.data.data32[0] = add ? 1 : 0;  // _NET_WM_STATE_ADD, _NET_WM_STATE_REMOVE
    e.data.data32[1] = which;
    e.data.data32[3] = 1;  // from a normal application
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    xcb_send_event(c, 0, root, XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&e));
}

// One state of a window, on the screen or not: asked of the window manager,
// or written for the next show.
void SetState(QWidget& window, const char* name, bool on) {
    xcb_connection_t* c = Connection();
    if (!c) return;
    const xcb_atom_t state = Atom(c, "_NET_WM_STATE");
    const xcb_atom_t which = Atom(c, name);
    if (state == XCB_ATOM_NONE || which == XCB_ATOM_NONE) return;
    const auto w = xcb_window_t(window.winId());
    if (window.isVisible())
        RequestState(c, w, state, which, on);
    else
        EditState(c, w, state, which, XCB_ATOM_NONE, on ? which : xcb_atom_t(XCB_ATOM_NONE));
    xcb_flush(c);
}

}  // namespace

void SetTaskbarEntry(QWidget& window, bool shown) {
    SetState(window, "_NET_WM_STATE_SKIP_TASKBAR", !shown);
}

void KeepAbove(QWidget& window) {
    SetState(window, "_NET_WM_STATE_ABOVE", true);
}

bool WindowManagerMinimises() {
    xcb_connection_t* c = Connection();
    if (!c) return true;
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    const std::vector<xcb_atom_t> supported = Property<xcb_atom_t>(c, root, Atom(c, "_NET_SUPPORTED"), XCB_ATOM_ATOM);
    if (supported.empty()) return true;
    return std::find(supported.begin(), supported.end(), Atom(c, "_NET_WM_STATE_HIDDEN")) != supported.end();
}

void AvoidUtilityTypeUnderWeston(QWidget& window) {
    xcb_connection_t* c = Connection();
    if (!c || window.isVisible() || WindowManagerName(c) != "Weston WM") return;
    const xcb_atom_t normal = Atom(c, "_NET_WM_WINDOW_TYPE_NORMAL");
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, xcb_window_t(window.winId()), Atom(c, "_NET_WM_WINDOW_TYPE"),
                        XCB_ATOM_ATOM, 32, 1, &normal);
    xcb_flush(c);
}

void ClearMinimisedHints(QWidget& window) {
    xcb_connection_t* c = Connection();
    if (!c || window.isVisible()) return;
    const auto w = xcb_window_t(window.winId());
    // WM_HINTS: flags, input, initial state, ...; StateHint is flag bit 1,
    // NormalState is 1.
    std::vector<uint32_t> hints = Property<uint32_t>(c, w, XCB_ATOM_WM_HINTS, XCB_ATOM_WM_HINTS);
    if (hints.size() >= 3 && (hints[0] & 2u) && hints[2] != 1u) {
        hints[2] = 1u;
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, XCB_ATOM_WM_HINTS, XCB_ATOM_WM_HINTS, 32,
                            uint32_t(hints.size()), hints.data());
    }
    const xcb_atom_t state = Atom(c, "_NET_WM_STATE");
    const xcb_atom_t hidden = Atom(c, "_NET_WM_STATE_HIDDEN");
    if (state != XCB_ATOM_NONE && hidden != XCB_ATOM_NONE) EditState(c, w, state, hidden, XCB_ATOM_NONE, XCB_ATOM_NONE);
    xcb_flush(c);
}

}  // namespace nimbrel
