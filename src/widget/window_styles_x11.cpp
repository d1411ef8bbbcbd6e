#include "widget/window_styles_x11.h"

#include <xcb/xcb.h>

#include <QGuiApplication>
#include <QWidget>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace nimbulux::x11 {

namespace {

xcb_connection_t* Connection() {
  auto* app = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  return app ? app->connection() : nullptr;
}

xcb_atom_t Atom(xcb_connection_t* c, const char* name) {
  xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
      c, xcb_intern_atom(c, 0, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr);
  if (!reply) return xcb_atom_t{XCB_ATOM_NONE};
  const xcb_atom_t atom = reply->atom;
  std::free(reply);
  return atom;
}

xcb_window_t RootOf(xcb_connection_t* c) {
  const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
  return screen ? screen->root : xcb_window_t{XCB_WINDOW_NONE};
}

// A request of a client to the window manager about one of its windows.
void SendToWindowManager(xcb_connection_t* c, xcb_window_t window, xcb_atom_t type,
                         std::uint32_t d0, std::uint32_t d1, std::uint32_t d2, std::uint32_t d3) {
  xcb_client_message_event_t event;
  std::memset(&event, 0, sizeof event);
  event.response_type = XCB_CLIENT_MESSAGE;
  event.format = 32;
  event.window = window;
  event.type = type;
  event.data.data32[0] = d0;
  event.data.data32[1] = d1;
  event.data.data32[2] = d2;
  event.data.data32[3] = d3;
  xcb_send_event(c, 0, RootOf(c),
                 XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                 reinterpret_cast<const char*>(&event));
}

std::uint32_t CurrentWorkspace(xcb_connection_t* c) {
  const xcb_atom_t atom = Atom(c, "_NET_CURRENT_DESKTOP");
  xcb_get_property_reply_t* reply = xcb_get_property_reply(
      c, xcb_get_property(c, 0, RootOf(c), atom, XCB_ATOM_CARDINAL, 0, 1), nullptr);
  std::uint32_t workspace = 0;
  if (reply && reply->format == 32 && xcb_get_property_value_length(reply) >= 4) {
    std::memcpy(&workspace, xcb_get_property_value(reply), 4);
  }
  std::free(reply);
  return workspace;
}

constexpr std::uint32_t kAllWorkspaces = 0xFFFFFFFF;

}  // namespace

bool Available() { return Connection() != nullptr; }

void SetWidgetStates(QWidget* window, bool desktopWidget) {
  xcb_connection_t* c = Connection();
  if (!c || !window || !window->windowHandle()) return;
  const xcb_window_t id = static_cast<xcb_window_t>(window->winId());
  const xcb_atom_t state = Atom(c, "_NET_WM_STATE");
  const xcb_atom_t desktop = Atom(c, "_NET_WM_DESKTOP");
  const xcb_atom_t sticky = Atom(c, "_NET_WM_STATE_STICKY");
  const xcb_atom_t alwaysOn[] = {Atom(c, "_NET_WM_STATE_SKIP_TASKBAR"),
                                 Atom(c, "_NET_WM_STATE_SKIP_PAGER")};
  const std::uint32_t workspace = desktopWidget ? kAllWorkspaces : CurrentWorkspace(c);
  xcb_get_window_attributes_reply_t* attributes =
      xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, id), nullptr);
  const bool mapped = attributes && attributes->map_state != XCB_MAP_STATE_UNMAPPED;
  std::free(attributes);
  if (mapped) {
    // A mapped window: the window manager owns these properties and takes requests.
    for (xcb_atom_t a : alwaysOn) SendToWindowManager(c, id, state, 1, a, 0, 1);
    SendToWindowManager(c, id, state, desktopWidget ? 1 : 0, sticky, 0, 1);
    SendToWindowManager(c, id, desktop, workspace, 1, 0, 0);
  } else {
    // Not mapped yet: the window manager reads the properties when the window appears.
    // Qt merges its own states into the existing list, so these survive the showing.
    xcb_get_property_reply_t* reply =
        xcb_get_property_reply(c, xcb_get_property(c, 0, id, state, XCB_ATOM_ATOM, 0, 64), nullptr);
    std::vector<xcb_atom_t> list;
    if (reply && reply->format == 32) {
      const auto* data = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply));
      list.assign(data, data + xcb_get_property_value_length(reply) / 4);
    }
    std::free(reply);
    for (xcb_atom_t a : alwaysOn) {
      if (std::find(list.begin(), list.end(), a) == list.end()) list.push_back(a);
    }
    std::erase(list, sticky);
    if (desktopWidget) list.push_back(sticky);
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, id, state, XCB_ATOM_ATOM, 32,
                        static_cast<std::uint32_t>(list.size()), list.data());
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, id, desktop, XCB_ATOM_CARDINAL, 32, 1,
                        &workspace);
  }
  xcb_flush(c);
}

std::optional<QPoint> WindowPosition(QWidget* window) {
  xcb_connection_t* c = Connection();
  if (!c || !window || !window->windowHandle()) return std::nullopt;
  xcb_translate_coordinates_reply_t* reply = xcb_translate_coordinates_reply(
      c, xcb_translate_coordinates(c, static_cast<xcb_window_t>(window->winId()), RootOf(c), 0, 0),
      nullptr);
  if (!reply) return std::nullopt;
  const QPoint p(reply->dst_x, reply->dst_y);
  std::free(reply);
  return p;
}

std::optional<bool> PointerButtonsDown() {
  xcb_connection_t* c = Connection();
  if (!c) return std::nullopt;
  xcb_query_pointer_reply_t* reply =
      xcb_query_pointer_reply(c, xcb_query_pointer(c, RootOf(c)), nullptr);
  if (!reply) return std::nullopt;
  const std::uint16_t buttons = XCB_BUTTON_MASK_1 | XCB_BUTTON_MASK_2 | XCB_BUTTON_MASK_3 |
                                XCB_BUTTON_MASK_4 | XCB_BUTTON_MASK_5;
  const bool down = (reply->mask & buttons) != 0;
  std::free(reply);
  return down;
}

}  // namespace nimbulux::x11
