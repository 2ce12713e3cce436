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
  while (result == showing) {
    SDL_Event e;
    while (SDL_PollEvent(&e)) {
      if (e.type == SDL_QUIT) closed = true;
      const bool changed = e.type == SDL_WINDOWEVENT && (e.window.event == SDL_WINDOWEVENT_EXPOSED ||
                                                         e.window.event == SDL_WINDOWEVENT_SIZE_CHANGED);
      if (changed && repaint) repaint();
    }
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
