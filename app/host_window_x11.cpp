// The host window check under X11: the X server is asked for the window's
// attributes, which it refuses for an id that names no window.
#include <QtGui/qguiapplication_platform.h>
#include <xcb/xcb.h>
#include <QGuiApplication>

#include <cstdio>
#include <cstdlib>

#include "app/host_window.h"

namespace orb {

namespace {

// "$0001A2B3": the handle as the fatal-error box names it.
std::string HandleText(uint32_t handle) {
  char text[16];
  std::snprintf(text, sizeof text, "$%08X", handle);
  return text;
}

}  // namespace

std::string HostWindowProblem(uint32_t handle) {
  const std::string prefix = "Error creating window inside host window " + HandleText(handle);
  auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  if (x11 == nullptr || x11->connection() == nullptr) {
    return prefix + ": the window system '" + QGuiApplication::platformName().toStdString() +
           "' cannot take a window of another program as parent";
  }
  xcb_connection_t* connection = x11->connection();
  xcb_generic_error_t* error = nullptr;
  xcb_get_window_attributes_reply_t* reply = xcb_get_window_attributes_reply(
      connection, xcb_get_window_attributes(connection, handle), &error);
  const bool exists = reply != nullptr && error == nullptr;
  std::free(reply);
  std::free(error);
  if (!exists) {
    return prefix + ": invalid window handle";
  }
  return {};
}

}  // namespace orb
