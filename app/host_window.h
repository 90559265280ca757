// Embedding the main window in a window of the host, given by its native
// handle (an X11 window id under X11, an HWND on Windows).
#pragma once

#include <cstdint>
#include <string>

namespace orb {

// Why `handle` cannot be the main window's parent: an empty string when it names
// an existing window of the window system the program runs on, otherwise a text
// for the fatal-error box that names the handle. Needs the QGuiApplication.
std::string HostWindowProblem(uint32_t handle);

}  // namespace orb
