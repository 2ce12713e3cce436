#include "app/message_box.h"

#include <SDL.h>

#include <atomic>
#include <iostream>
#include <string>
#include <cstdio>
#include <cstdlib>

#if defined(__linux__)
#include <dirent.h>
#include <signal.h>
#include <unistd.h>

#include <fstream>

#include "app/display_errors.h"
#endif

#if defined(ZORBLY_HAVE_X11)
#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#endif

namespace zorbly {

namespace {

void sayOnStandardError(std::string_view prompt, std::string_view title) {
  std::cerr << title << ": " << prompt << '\n';
}

#if defined(__linux__)

// SDL draws the box under X11 in a child process of ours; this ends it.
void endChildProcesses() {
  const pid_t self = getpid();
  DIR* proc = opendir("/proc");
  if (!proc) return;
  while (dirent* entry = readdir(proc)) {
    const pid_t pid = static_cast<pid_t>(std::atol(entry->d_name));
    if (pid <= 0) continue;
    std::ifstream stat("/proc/" + std::string(entry->d_name) + "/stat");
    std::string line;
    if (!std::getline(stat, line)) continue;
    // "pid (name) state ppid ...": the name may hold spaces, so read after ')'.
    const auto close = line.rfind(')');
    if (close == std::string::npos) continue;
    char state = 0;
    long parent = 0;
    if (std::sscanf(line.c_str() + close + 1, " %c %ld", &state, &parent) == 2 && parent == self) {
      kill(pid, SIGKILL);  // it shares our signal handlers, which only ask SDL to quit
    }
  }
  closedir(proc);
}

#endif

#if defined(ZORBLY_HAVE_X11)

// The box SDL shows for `game`: the window that names it as the window it
// belongs to (WM_TRANSIENT_FOR), at the top level or, under a window
// manager, in a frame. 0 while there is none yet.
Window findBox(Display* d, Window game) {
  Window root = DefaultRootWindow(d), parent = 0, *frames = nullptr;
  unsigned count = 0;
  if (!XQueryTree(d, root, &root, &parent, &frames, &count)) return 0;
  Window box = 0;
  for (unsigned i = 0; i < count && !box; ++i) {
    Window owner = 0, *inside = nullptr;
    unsigned n = 0;
    if (XGetTransientForHint(d, frames[i], &owner) && owner == game) box = frames[i];
    if (!box && XQueryTree(d, frames[i], &root, &parent, &inside, &n)) {
      for (unsigned j = 0; j < n && !box; ++j) {
        if (XGetTransientForHint(d, inside[j], &owner) && owner == game) box = inside[j];
      }
    }
    if (inside) XFree(inside);
  }
  if (frames) XFree(frames);
  return box;
}

// Gives the game-over box the program's window class and, where no window
// manager places it (a bare X server), puts it over the middle of the game
// window and inside the screen: SDL would count the window's place twice and
// may put the box partly off the screen. True once the box has been seen.
bool placeBox(SDL_Window* window) {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return true;
  Display* d = info.info.x11.display;
  const Window game = info.info.x11.window;
  const Window box = findBox(d, game);
  // SDL places its box before it shows it: once it is shown, SDL's place is
  // taken and ours will stay.
  XWindowAttributes shown;
  if (!box || !XGetWindowAttributes(d, box, &shown) || shown.map_state != IsViewable) return false;
  // A box in a window manager's frame is the window manager's to place.
  Window root = DefaultRootWindow(d), parent = 0, *children = nullptr, child = 0;
  unsigned n = 0;
  const bool managed = XQueryTree(d, box, &root, &parent, &children, &n) && parent != root;
  if (children) XFree(children);
  XWindowAttributes boxAt, gameAt, rootAt;
  int gameX = 0, gameY = 0;
  if (!managed && XGetWindowAttributes(d, box, &boxAt) && XGetWindowAttributes(d, game, &gameAt) &&
      XGetWindowAttributes(d, root, &rootAt) && XTranslateCoordinates(d, game, root, 0, 0, &gameX, &gameY, &child)) {
    const int x = std::clamp(gameX + (gameAt.width - boxAt.width) / 2, 0, std::max(0, rootAt.width - boxAt.width));
    const int y = std::clamp(gameY + (gameAt.height - boxAt.height) / 2, 0, std::max(0, rootAt.height - boxAt.height));
    XMoveWindow(d, box, x, y);
  }
  // Last: whoever sees the class sees the box in its place.
  char name[] = "zorbly", className[] = "Zorbly";
  XClassHint hint{name, className};
  XSetClassHint(d, box, &hint);
  XFlush(d);
  return true;
}

#endif

}  // namespace

BoxOutcome showMessageBox(SDL_Window* window, std::string_view prompt, std::string_view title,
                          [[maybe_unused]] const std::function<void()>& repaint) {
  const std::string p(prompt), t(title);
#if defined(__linux__)
  // The box waits on a thread of its own while this one keeps taking the
  // window's events, so that closing the window still ends the program.
  // An SDL thread, not a std::thread: SDL frees what it keeps per thread
  // (its error text) only for threads of its own.
  constexpr int showing = 2;
  struct Box {
    const std::string &title, &prompt;
    SDL_Window* window;
    std::atomic<int> result{showing};
  } call{t, p, window};
  SDL_Thread* box = SDL_CreateThread(
      [](void* data) {
        auto* b = static_cast<Box*>(data);
        b->result = SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_INFORMATION, b->title.c_str(), b->prompt.c_str(),
                                             b->window);
        return 0;
      },
      "message box", &call);
  if (!box) call.result = -1;  // no thread: said on standard error below
  std::atomic<int>& result = call.result;
  bool closed = false;
  [[maybe_unused]] bool placed = false;
  while (result == showing) {
#if defined(ZORBLY_HAVE_X11)
    if (!placed) placed = placeBox(window);
#endif
    SDL_Event e;
    while (SDL_PollEvent(&e)) {
      if (e.type == SDL_QUIT) closed = true;
      const bool changed = e.type == SDL_WINDOWEVENT && (e.window.event == SDL_WINDOWEVENT_EXPOSED ||
                                                         e.window.event == SDL_WINDOWEVENT_SIZE_CHANGED);
      if (changed && repaint) repaint();
    }
    if (windowGone()) closed = true;  // destroyed by another program
    if (closed) {
      endChildProcesses();
      break;
    }
    SDL_Delay(20);
  }
  SDL_WaitThread(box, nullptr);
  if (closed) return BoxOutcome::windowClosed;
  if (result != 0) sayOnStandardError(p, t);
  return BoxOutcome::dismissed;
#else
  // Elsewhere the box is modal the platform's way and must be shown from here.
  if (SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_INFORMATION, t.c_str(), p.c_str(), window) != 0) {
    sayOnStandardError(p, t);
  }
  return BoxOutcome::dismissed;
#endif
}

}  // namespace zorbly
