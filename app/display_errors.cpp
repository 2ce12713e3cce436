#include "app/display_errors.h"

#include "session/messages.h"

#if defined(ZORBLY_HAVE_X11)
#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <X11/Xproto.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <utility>
#endif

namespace zorbly {

#if defined(ZORBLY_HAVE_X11)

namespace {

void (*lastWords)(void*) = nullptr;
void* lastWordsContext = nullptr;
pid_t watcher = 0;           // the process that said what to do
XID gameWindow = 0;          // the window whose loss ends the game
Display* gameDisplay = nullptr;
std::atomic<bool> gone{false};

// Each kind of error (what went wrong, in which request) is said once.
constexpr int remembered = 32;
std::pair<int, int> said[remembered];
int saidCount = 0;

bool sayOnce(int error, int request) {
  for (int i = 0; i < saidCount; ++i) {
    if (said[i] == std::pair(error, request)) return false;
  }
  if (saidCount < remembered) said[saidCount++] = {error, request};
  return true;
}

int onConnectionLost(Display*) {
  // SDL's message box runs in a child of ours, which inherits this handler:
  // only the game itself says it, once.
  if (getpid() == watcher) {
    static const char message[] = "zorbly: lost the connection to the display\n";
    if (auto* words = std::exchange(lastWords, nullptr)) words(lastWordsContext);
    [[maybe_unused]] auto written = write(STDERR_FILENO, message, sizeof message - 1);
  }
  // Xlib must not be called again, and nothing may return from here.
  _exit(exitFailed);
}

int onProtocolError(Display* display, XErrorEvent* e) {
  const bool aboutTheWindow = e->resourceid == gameWindow && gameWindow != 0;
  if (aboutTheWindow && (e->error_code == BadWindow || e->error_code == BadDrawable)) {
    gone = true;  // destroyed by another program: the game ends as if it were closed
    return 0;
  }
  if (sayOnce(e->error_code, e->request_code)) {
    char text[128] = "";
    XGetErrorText(display, e->error_code, text, sizeof text);
    std::fprintf(stderr, "zorbly: X error ignored: %s (request %d)\n", text, e->request_code);
  }
  return 0;
}

}  // namespace

void watchDisplayErrors(void (*beforeExit)(void*), void* context) {
  lastWords = beforeExit;
  lastWordsContext = context;
  watcher = getpid();
  XSetIOErrorHandler(onConnectionLost);
  XSetErrorHandler(onProtocolError);
}

void watchWindow(SDL_Window* window) {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (SDL_GetWindowWMInfo(window, &info) && info.subsystem == SDL_SYSWM_X11) {
    gameWindow = info.info.x11.window;
    gameDisplay = info.info.x11.display;
  }
}

void settleDisplayErrors() {
  if (gameDisplay) XSync(gameDisplay, False);
}

bool windowGone() { return gone; }

#else

void watchDisplayErrors(void (*)(void*), void*) {}
void watchWindow(SDL_Window*) {}
bool windowGone() { return false; }
void settleDisplayErrors() {}

#endif

}  // namespace zorbly
