// The host window check on Windows: the handle must name a window.
#include <windows.h>

#include <cstdio>

#include "app/host_window.h"

namespace orb {

std::string HostWindowProblem(uint32_t handle) {
  if (IsWindow(reinterpret_cast<HWND>(static_cast<uintptr_t>(handle)))) {
    return {};
  }
  char text[96];
  std::snprintf(text, sizeof text,
                "Error creating window inside host window $%08X: invalid window handle",
                static_cast<unsigned>(handle));
  return text;
}

}  // namespace orb
