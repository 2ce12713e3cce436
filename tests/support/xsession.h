#pragma once
// Helpers for tests that run the real program in a real X window: a private
// Xvfb server, child processes with bounded waits, and an Xlib connection that
// finds a window by name, reads its pixels, types keys (XTest) and asks the
// window to close the way a window manager's close button does.
//
// Every wait here has a timeout, and every process started here is killed
// when its owner goes away (and by the kernel when the test process dies).

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zorbly::testing {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// ---------------------------------------------------------------- processes

// How a child ended.
struct ExitStatus {
  bool exited = false;  // true: normal exit with `code`; false: killed by `signal`
  int code = 0;
  int signal = 0;
  bool ok() const { return exited && code == 0; }
  std::string describe() const;  // "exit status 0", "killed by signal 9 (Killed)"
};

struct SpawnOptions {
  std::vector<std::string> argv;  // argv[0] is the program's path
  std::vector<std::string> env;   // NAME=value, the child's whole environment
  std::string stdinPath = "/dev/null";
  std::string stdoutPath = "/dev/null";
  std::string stderrPath = "/dev/null";
  int passFd = -1;  // when >= 0, this descriptor is given to the child as fd 3
};

// A child process, killed (SIGKILL) and reaped on destruction if still running.
class ChildProcess {
 public:
  ChildProcess() = default;
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;
  ~ChildProcess() { kill(); }

  // Starts the child; on failure returns false with the reason in `error`.
  bool spawn(const SpawnOptions& options, std::string& error);

  int pid() const { return pid_; }
  bool running();  // started, and not yet seen to end
  // Waits up to `timeout` for the child to end; nullopt if it is still running.
  std::optional<ExitStatus> waitExit(milliseconds timeout);
  // How it ended, once waitExit has seen it end.
  const std::optional<ExitStatus>& status() const { return status_; }
  // Sends a signal if the child is still running.
  void signal(int sig);
  // SIGKILL and reap, if still running.
  void kill();

 private:
  int pid_ = -1;
  std::optional<ExitStatus> status_;
};

// This process's environment with the given names removed and `add` appended.
std::vector<std::string> environmentWithout(const std::vector<std::string>& remove,
                                            const std::vector<std::string>& add = {});

// The full path of an executable found on PATH, or "".
std::string findOnPath(const std::string& name);

// The whole content of a (small) text file, or "" if it cannot be read.
std::string readFile(const std::string& path);

// Makes the directory and its parents; true if it exists afterwards.
bool makeDirectories(const std::string& path);

// ---------------------------------------------------------------- X server

// A private Xvfb on a display number the server picks itself (-displayfd).
class XvfbServer {
 public:
  XvfbServer() = default;
  XvfbServer(const XvfbServer&) = delete;
  XvfbServer& operator=(const XvfbServer&) = delete;
  ~XvfbServer() { stop(); }

  static std::string executable() { return findOnPath("Xvfb"); }

  // Starts the server with one screen of `screen` (e.g. "640x480x24") and no
  // window manager, waiting up to `timeout` until it accepts connections.
  // The server's own output goes to `logPath`.
  bool start(const std::string& screen, const std::string& logPath, std::string& error,
             milliseconds timeout = milliseconds(15000));
  // SIGTERM, then SIGKILL if it has not gone within a few seconds.
  void stop();

  const std::string& display() const { return display_; }  // ":N"
  ChildProcess& process() { return process_; }

 private:
  ChildProcess process_;
  std::string display_;
};

// ---------------------------------------------------------------- pictures

struct Rgb {
  std::uint8_t r = 0, g = 0, b = 0;
};

// Pixels read from a window, row by row.
struct Image {
  int width = 0, height = 0;
  std::vector<Rgb> pixels;
  Rgb at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
  bool valid() const { return width > 0 && height > 0; }
};

// ---------------------------------------------------------------- X client

// One Xlib connection. X protocol errors are recorded (not fatal) and can be
// read with takeErrors(). Losing the server is fatal to the whole process, as
// always with Xlib: close() the connection before stopping or killing the
// server on purpose.
class XConnection {
 public:
  XConnection() = default;
  XConnection(const XConnection&) = delete;
  XConnection& operator=(const XConnection&) = delete;
  ~XConnection() { close(); }

  bool open(const std::string& display, std::string& error);
  void close();
  bool isOpen() const { return display_ != nullptr; }

  using Window = unsigned long;  // the X resource id

  // A mapped top-level window (a child of the root) whose name is exactly
  // `name` and, when `pid` is not 0, whose _NET_WM_PID is `pid`, waiting up to
  // `timeout`; 0 if none appeared.
  Window findWindow(const std::string& name, milliseconds timeout, int pid = 0);
  // The same at any depth: under a window manager, which puts each client
  // window inside a frame of its own.
  Window findClientWindow(const std::string& name, milliseconds timeout, int pid = 0);
  // One line per top-level window: id, map state, size and names. For messages.
  std::string describeTopLevelWindows();

  std::optional<std::string> wmName(Window w);      // WM_NAME
  std::optional<std::string> netWmName(Window w);   // _NET_WM_NAME (UTF-8)
  std::optional<long> netWmPid(Window w);           // _NET_WM_PID
  std::optional<std::string> wmClass(Window w);     // WM_CLASS: "name/class"
  struct Geometry {
    int x = 0, y = 0, width = 0, height = 0;
    bool viewable = false;
  };
  std::optional<Geometry> geometry(Window w);
  // True when the root window has the property: _NET_SUPPORTING_WM_CHECK
  // once a window manager has started.
  bool rootHasProperty(const std::string& name);
  // True once openbox manages windows: it announces itself
  // (_NET_SUPPORTING_WM_CHECK) before it has loaded its theme and set up its
  // screen, and a window mapped meanwhile may wait a long time on a busy
  // machine; the theme's name (_OB_THEME) and the client list come after.
  bool openboxReady();

  // The window's client area as it is on screen now; invalid on failure.
  Image capture(Window w);
  // The whole screen.
  Image captureRoot();

  // Gives the window the keyboard focus (no window manager does it for us).
  void focus(Window w);
  bool hasXTest();
  // Presses or releases a key through XTest; `keysym` is an X keysym (XK_Down...).
  bool key(unsigned long keysym, bool down);
  // Press, hold for `hold`, release.
  bool tapKey(unsigned long keysym, milliseconds hold);

  // A WM_PROTOCOLS / WM_DELETE_WINDOW client message, as a window manager
  // sends when its close button is clicked.
  bool requestClose(Window w);

  // Destroys another client's window, as `xdotool windowclose` does.
  void destroy(Window w);

  // Resizes the window as a user dragging its border would (with no window
  // manager the request is carried out as it stands).
  bool resize(Window w, int width, int height);
  // Moves the window's top-left corner to x, y on the screen.
  bool move(Window w, int x, int y);

  // Waits until the server has handled everything sent so far.
  void sync();
  // X protocol errors seen since the last call, one line each; "" if none.
  std::string takeErrors();

 private:
  void* display_ = nullptr;  // Display*
};

// Polls `check` every few milliseconds until it returns true or `timeout`
// passes; returns its last answer.
template <class Check>
bool pollUntil(Check check, milliseconds timeout, milliseconds every = milliseconds(10));

}  // namespace zorbly::testing

#include <thread>

template <class Check>
bool zorbly::testing::pollUntil(Check check, milliseconds timeout, milliseconds every) {
  const auto deadline = Clock::now() + timeout;
  for (;;) {
    if (check()) return true;
    if (Clock::now() >= deadline) return false;
    std::this_thread::sleep_for(every);
  }
}
