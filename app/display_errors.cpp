#include "app/display_errors.h"

#if defined(ZORBLY_HAVE_X11)
#include <X11/Xlib.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <utility>
#endif

namespace zorbly {

#if defined(ZORBLY_HAVE_X11)

namespace {

void (*lastWords)(void*) = nullptr;
void* lastWordsContext = nullptr;

int onConnectionLost(Display*) {
  static const char message[] = "zorbly: lost the connection to the display\n";
  if (auto* words = std::exchange(lastWords, nullptr)) words(lastWordsContext);
  // Xlib must not be called again, and nothing may return from here.
  [[maybe_unused]] auto written = write(STDERR_FILENO, message, sizeof message - 1);
  _exit(1);
}

int onProtocolError(Display* display, XErrorEvent* e) {
  char text[128] = "";
  XGetErrorText(display, e->error_code, text, sizeof text);
  std::fprintf(stderr, "zorbly: X error ignored: %s (request %d)\n", text, e->request_code);
  return 0;
}

}  // namespace

void watchDisplayErrors(void (*beforeExit)(void*), void* context) {
  lastWords = beforeExit;
  lastWordsContext = context;
  XSetIOErrorHandler(onConnectionLost);
  XSetErrorHandler(onProtocolError);
}

#else

void watchDisplayErrors(void (*)(void*), void*) {}

#endif

}  // namespace zorbly
