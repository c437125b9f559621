// xcb requests answered synchronously: the tests poll, so simplicity beats batching.
#include "XWindows.h"

#include <cstdlib>
#include <cstring>
#include <memory>

#include <xcb/xcb.h>

namespace {

template <typename T>
using Reply = std::unique_ptr<T, decltype(&std::free)>;

template <typename T>
Reply<T> adopt(T* reply) {
    return Reply<T>(reply, &std::free);
}

}  // namespace

XWindows::XWindows(const std::string& display) {
    int screen = 0;
    xcb_connection_t* c = xcb_connect(display.c_str(), &screen);
    if (xcb_connection_has_error(c) != 0) {
        xcb_disconnect(c);
        return;
    }
    connection_ = c;
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c));
    for (int i = 0; i < screen && it.rem > 0; ++i) {
        xcb_screen_next(&it);
    }
    root_ = it.data->root;
}

XWindows::~XWindows() {
    if (connection_ != nullptr) {
        xcb_disconnect(connection_);
    }
}

uint32_t XWindows::atom(const char* name) {
    auto reply = adopt(xcb_intern_atom_reply(
        connection_,
        xcb_intern_atom(connection_, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr));
    return reply ? reply->atom : static_cast<uint32_t>(XCB_ATOM_NONE);
}

std::optional<std::vector<uint8_t>> XWindows::property(uint32_t window, uint32_t prop,
                                                       uint32_t type) {
    if (connection_ == nullptr) {
        return std::nullopt;
    }
    auto reply = adopt(xcb_get_property_reply(
        connection_, xcb_get_property(connection_, 0, window, prop, type, 0, 1 << 16), nullptr));
    if (!reply || reply->type == XCB_ATOM_NONE) {
        return std::nullopt;
    }
    const auto* data = static_cast<const uint8_t*>(xcb_get_property_value(reply.get()));
    const int bytes = xcb_get_property_value_length(reply.get());
    return std::vector<uint8_t>(data, data + bytes);
}

std::optional<std::string> XWindows::netWmName(uint32_t window) {
    const auto value = property(window, atom("_NET_WM_NAME"), atom("UTF8_STRING"));
    return value ? std::optional<std::string>(std::string(value->begin(), value->end()))
                 : std::nullopt;
}

std::optional<std::string> XWindows::wmName(uint32_t window) {
    const auto value = property(window, XCB_ATOM_WM_NAME, XCB_GET_PROPERTY_TYPE_ANY);
    return value ? std::optional<std::string>(std::string(value->begin(), value->end()))
                 : std::nullopt;
}

bool XWindows::windowManagerRunning() {
    const auto value = property(root_, atom("_NET_SUPPORTING_WM_CHECK"), XCB_ATOM_WINDOW);
    return value && value->size() >= 4;
}

uint32_t XWindows::activeWindow() {
    const auto value = property(root_, atom("_NET_ACTIVE_WINDOW"), XCB_ATOM_WINDOW);
    uint32_t window = 0;
    if (value && value->size() >= 4) {
        std::memcpy(&window, value->data(), 4);
    }
    return window;
}

std::vector<uint32_t> XWindows::clientWindows() {
    std::vector<uint32_t> windows;
    if (connection_ == nullptr) {
        return windows;
    }
    if (const auto list = property(root_, atom("_NET_CLIENT_LIST"), XCB_ATOM_WINDOW)) {
        for (size_t at = 0; at + 4 <= list->size(); at += 4) {
            uint32_t w = 0;
            std::memcpy(&w, list->data() + at, 4);
            windows.push_back(w);
        }
    } else {
        auto tree =
            adopt(xcb_query_tree_reply(connection_, xcb_query_tree(connection_, root_), nullptr));
        if (tree) {
            const xcb_window_t* children = xcb_query_tree_children(tree.get());
            windows.assign(children, children + xcb_query_tree_children_length(tree.get()));
        }
    }
    std::vector<uint32_t> mapped;
    for (const uint32_t w : windows) {
        auto attributes = adopt(xcb_get_window_attributes_reply(
            connection_, xcb_get_window_attributes(connection_, w), nullptr));
        if (attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE) {
            mapped.push_back(w);
        }
    }
    return mapped;
}

std::vector<uint32_t> XWindows::overrideRedirectWindows() {
    std::vector<uint32_t> found;
    if (connection_ == nullptr) {
        return found;
    }
    auto tree =
        adopt(xcb_query_tree_reply(connection_, xcb_query_tree(connection_, root_), nullptr));
    if (!tree) {
        return found;
    }
    const xcb_window_t* children = xcb_query_tree_children(tree.get());
    for (int i = 0; i < xcb_query_tree_children_length(tree.get()); ++i) {
        auto attributes = adopt(xcb_get_window_attributes_reply(
            connection_, xcb_get_window_attributes(connection_, children[i]), nullptr));
        if (attributes && attributes->override_redirect != 0 &&
            attributes->map_state == XCB_MAP_STATE_VIEWABLE) {
            found.push_back(children[i]);
        }
    }
    return found;
}

QRect XWindows::clientRect(uint32_t window) {
    if (connection_ == nullptr) {
        return {};
    }
    auto geometry =
        adopt(xcb_get_geometry_reply(connection_, xcb_get_geometry(connection_, window), nullptr));
    auto origin = adopt(xcb_translate_coordinates_reply(
        connection_, xcb_translate_coordinates(connection_, window, root_, 0, 0), nullptr));
    if (!geometry || !origin) {
        return {};
    }
    return QRect(origin->dst_x, origin->dst_y, geometry->width, geometry->height);
}

QRect XWindows::frameRect(uint32_t window) {
    const QRect client = clientRect(window);
    const auto extents = property(window, atom("_NET_FRAME_EXTENTS"), XCB_ATOM_CARDINAL);
    if (!extents || extents->size() < 16) {
        return client;
    }
    uint32_t e[4] = {};  // left, right, top, bottom
    std::memcpy(e, extents->data(), 16);
    return client.adjusted(-static_cast<int>(e[0]), -static_cast<int>(e[2]), static_cast<int>(e[1]),
                           static_cast<int>(e[3]));
}
