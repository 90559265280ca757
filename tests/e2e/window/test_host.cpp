// A stand-in for the host's window in the end-to-end tests: opens one window
// covering the X screen, prints its id in hexadecimal on a line of its own and
// keeps it until its standard input is closed.
#include <X11/Xlib.h>
#include <unistd.h>

#include <cstdio>

int main() {
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) {
    std::fprintf(stderr, "test_host: cannot open the X display\n");
    return 1;
  }
  const int screen = DefaultScreen(display);
  const Window window = XCreateSimpleWindow(
      display, RootWindow(display, screen), 0, 0, DisplayWidth(display, screen),
      DisplayHeight(display, screen), 0, BlackPixel(display, screen), WhitePixel(display, screen));
  XStoreName(display, window, "Orbalis host");
  XMapWindow(display, window);
  XSync(display, False);
  std::printf("%lX\n", window);
  std::fflush(stdout);
  char byte;
  while (read(STDIN_FILENO, &byte, 1) > 0) {
  }
  XDestroyWindow(display, window);
  XCloseDisplay(display);
  return 0;
}
