#include "support/xsession.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

extern char** environ;

namespace zorbly::testing {

// ---------------------------------------------------------------- processes

std::string ExitStatus::describe() const {
  if (exited) return "exit status " + std::to_string(code);
  return "killed by signal " + std::to_string(signal) + " (" + strsignal(signal) + ")";
}

namespace {

ExitStatus fromWaitStatus(int status) {
  ExitStatus s;
  if (WIFEXITED(status)) {
    s.exited = true;
    s.code = WEXITSTATUS(status);
  } else if (WIFSIGNALED(status)) {
    s.signal = WTERMSIG(status);
  }
  return s;
}

// Opens `path` close-on-exec at a descriptor number of 10 or more, so that the
// child's dup2 calls onto 0..3 can never overwrite one another's sources.
int openHigh(const std::string& path, int flags, std::string& error) {
  const int fd = ::open(path.c_str(), flags | O_CLOEXEC, 0644);
  if (fd < 0) {
    error = "cannot open " + path + ": " + std::strerror(errno);
    return -1;
  }
  const int high = fcntl(fd, F_DUPFD_CLOEXEC, 10);
  ::close(fd);
  if (high < 0) error = std::string("fcntl: ") + std::strerror(errno);
  return high;
}

void closeAll(std::initializer_list<int> fds) {
  for (int fd : fds)
    if (fd >= 0) ::close(fd);
}

}  // namespace

bool ChildProcess::spawn(const SpawnOptions& options, std::string& error) {
  kill();
  status_.reset();
  if (options.argv.empty()) {
    error = "nothing to run";
    return false;
  }
  const int in = openHigh(options.stdinPath, O_RDONLY, error);
  const int out = openHigh(options.stdoutPath, O_WRONLY | O_CREAT | O_TRUNC, error);
  const int err = openHigh(options.stderrPath, O_WRONLY | O_CREAT | O_TRUNC, error);
  const int pass = options.passFd >= 0 ? fcntl(options.passFd, F_DUPFD_CLOEXEC, 10) : -1;
  if (in < 0 || out < 0 || err < 0 || (options.passFd >= 0 && pass < 0)) {
    if (error.empty()) error = std::string("fcntl: ") + std::strerror(errno);
    closeAll({in, out, err, pass});
    return false;
  }

  // Everything the child needs is built before fork: after it, only
  // async-signal-safe calls until exec.
  std::vector<char*> argv, envp;
  for (const auto& a : options.argv) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  for (const auto& e : options.env) envp.push_back(const_cast<char*>(e.c_str()));
  envp.push_back(nullptr);
  const pid_t parent = getpid();

  // A pipe that closes on a successful exec and carries errno otherwise.
  int report[2];
  if (pipe2(report, O_CLOEXEC) != 0) {
    error = std::string("pipe: ") + std::strerror(errno);
    closeAll({in, out, err, pass});
    return false;
  }

  const pid_t pid = fork();
  if (pid < 0) {
    error = std::string("fork: ") + std::strerror(errno);
    closeAll({in, out, err, pass, report[0], report[1]});
    return false;
  }
  if (pid == 0) {
    // Die with the test process, however it ends.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent) _exit(127);
    // A fresh process group, so that a kill reaches anything it starts.
    setpgid(0, 0);
    if (dup2(in, 0) < 0 || dup2(out, 1) < 0 || dup2(err, 2) < 0 || (pass >= 0 && dup2(pass, 3) < 0)) {
      const int e = errno;
      [[maybe_unused]] auto n = write(report[1], &e, sizeof e);
      _exit(127);
    }
    execve(argv[0], argv.data(), envp.data());
    const int e = errno;
    [[maybe_unused]] auto n = write(report[1], &e, sizeof e);
    _exit(127);
  }

  closeAll({in, out, err, pass, report[1]});
  int childErrno = 0;
  ssize_t n;
  do {
    n = read(report[0], &childErrno, sizeof childErrno);
  } while (n < 0 && errno == EINTR);
  ::close(report[0]);
  pid_ = pid;
  if (n > 0) {
    waitExit(milliseconds(5000));
    pid_ = -1;
    error = "cannot run " + options.argv[0] + ": " + std::strerror(childErrno);
    return false;
  }
  return true;
}

bool ChildProcess::running() {
  if (pid_ <= 0 || status_) return false;
  return !waitExit(milliseconds(0));
}

std::optional<ExitStatus> ChildProcess::waitExit(milliseconds timeout) {
  if (status_) return status_;
  if (pid_ <= 0) return std::nullopt;
  pollUntil(
      [&] {
        int st = 0;
        const pid_t r = waitpid(pid_, &st, WNOHANG);
        if (r == pid_) status_ = fromWaitStatus(st);
        if (r < 0 && errno == ECHILD) status_ = ExitStatus{};  // reaped elsewhere
        return status_.has_value();
      },
      timeout, milliseconds(5));
  return status_;
}

void ChildProcess::signal(int sig) {
  if (pid_ > 0 && !status_) ::kill(pid_, sig);
}

void ChildProcess::kill() {
  if (pid_ <= 0 || status_) return;
  ::kill(-pid_, SIGKILL);  // its group
  ::kill(pid_, SIGKILL);
  int st = 0;
  pid_t r;
  do {
    r = waitpid(pid_, &st, 0);
  } while (r < 0 && errno == EINTR);
  status_ = r == pid_ ? fromWaitStatus(st) : ExitStatus{};
}

std::vector<std::string> environmentWithout(const std::vector<std::string>& remove,
                                            const std::vector<std::string>& add) {
  std::vector<std::string> env;
  for (char** e = environ; e && *e; ++e) {
    const std::string entry(*e);
    const std::string name = entry.substr(0, entry.find('='));
    if (std::find(remove.begin(), remove.end(), name) == remove.end()) env.push_back(entry);
  }
  env.insert(env.end(), add.begin(), add.end());
  return env;
}

std::string findOnPath(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::stringstream dirs(path ? path : "/usr/local/bin:/usr/bin:/bin");
  std::string dir;
  while (std::getline(dirs, dir, ':')) {
    const std::string candidate = (dir.empty() ? std::string(".") : dir) + "/" + name;
    if (access(candidate.c_str(), X_OK) == 0) return candidate;
  }
  return {};
}

std::string readFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

bool makeDirectories(const std::string& path) {
  std::error_code ec;
  std::filesystem::create_directories(path, ec);
  return std::filesystem::is_directory(path, ec);
}

// ---------------------------------------------------------------- X server

bool XvfbServer::start(const std::string& screen, const std::string& logPath, std::string& error,
                       milliseconds timeout) {
  stop();
  const std::string exe = executable();
  if (exe.empty()) {
    error = "Xvfb is not installed (not found on PATH)";
    return false;
  }
  int ready[2];
  if (pipe2(ready, O_CLOEXEC) != 0) {
    error = std::string("pipe: ") + std::strerror(errno);
    return false;
  }
  SpawnOptions o;
  // The server writes its display number to fd 3 once it accepts connections.
  o.argv = {exe, "-displayfd", "3", "-screen", "0", screen, "-nolisten", "tcp", "-noreset"};
  o.env = environmentWithout({"DISPLAY"});
  o.stdoutPath = logPath;
  o.stderrPath = logPath + ".err";
  o.passFd = ready[1];
  const bool started = process_.spawn(o, error);
  ::close(ready[1]);
  if (!started) {
    ::close(ready[0]);
    return false;
  }

  std::string number;
  const auto deadline = Clock::now() + timeout;
  bool done = false;
  while (!done) {
    const auto left = std::chrono::duration_cast<milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) {
      error = "Xvfb did not report a display within " + std::to_string(timeout.count()) + " ms";
      break;
    }
    pollfd p{ready[0], POLLIN, 0};
    const int r = poll(&p, 1, static_cast<int>(left));
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) continue;
    char buffer[32];
    const ssize_t n = read(ready[0], buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      const auto status = process_.waitExit(milliseconds(2000));
      error = "Xvfb ended before it was ready (" + (status ? status->describe() : "still running") +
              "): " + readFile(logPath + ".err");
      break;
    }
    for (ssize_t i = 0; i < n && !done; ++i) {
      if (buffer[i] == '\n') done = true;
      else number += buffer[i];
    }
  }
  ::close(ready[0]);
  if (!done || number.empty() || number.find_first_not_of("0123456789") != std::string::npos) {
    if (error.empty()) error = "Xvfb reported a strange display number \"" + number + "\"";
    stop();
    return false;
  }
  display_ = ":" + number;
  return true;
}

void XvfbServer::stop() {
  if (process_.running()) {
    process_.signal(SIGTERM);
    if (!process_.waitExit(milliseconds(5000))) process_.kill();
  }
  display_.clear();
}

// ---------------------------------------------------------------- X client

namespace {

// Xlib's default handler ends the process on any protocol error; record them instead.
std::string& recordedErrors() {
  static std::string errors;
  return errors;
}

int recordError(Display* d, XErrorEvent* e) {
  char text[256] = {};
  XGetErrorText(d, e->error_code, text, sizeof text);
  recordedErrors() += "X error " + std::to_string(e->error_code) + " (" + text + ") on request " +
                      std::to_string(e->request_code) + "." + std::to_string(e->minor_code) +
                      ", resource " + std::to_string(e->resourceid) + "\n";
  return 0;
}

// Xlib ends the process after this returns; at least say why.
int lostServer(Display*) {
  std::fputs("window tests: lost the connection to the X server\n", stderr);
  return 0;
}

Display* dpy(void* d) { return static_cast<Display*>(d); }

int maskShift(unsigned long mask) {
  int shift = 0;
  while (mask && !(mask & 1)) {
    mask >>= 1;
    ++shift;
  }
  return shift;
}

std::uint8_t channel(unsigned long pixel, unsigned long mask) {
  if (!mask) return 0;
  const unsigned long v = (pixel & mask) >> maskShift(mask);
  const unsigned long max = mask >> maskShift(mask);
  return static_cast<std::uint8_t>(max == 255 ? v : v * 255 / max);
}

Image toImage(XImage* x) {
  Image image;
  if (!x) return image;
  image.width = x->width;
  image.height = x->height;
  image.pixels.resize(static_cast<std::size_t>(x->width) * x->height);
  for (int y = 0; y < x->height; ++y)
    for (int xx = 0; xx < x->width; ++xx) {
      const unsigned long p = XGetPixel(x, xx, y);
      image.pixels[static_cast<std::size_t>(y) * x->width + xx] =
          Rgb{channel(p, x->red_mask), channel(p, x->green_mask), channel(p, x->blue_mask)};
    }
  XDestroyImage(x);
  return image;
}

}  // namespace

bool XConnection::open(const std::string& display, std::string& error) {
  close();
  XSetErrorHandler(recordError);
  XSetIOErrorHandler(lostServer);
  display_ = XOpenDisplay(display.c_str());
  if (!display_) error = "cannot connect to X display " + display;
  return display_ != nullptr;
}

void XConnection::close() {
  if (display_) XCloseDisplay(dpy(display_));
  display_ = nullptr;
}

std::optional<std::string> XConnection::wmName(Window w) {
  char* name = nullptr;
  if (!XFetchName(dpy(display_), w, &name) || !name) return std::nullopt;
  std::string result(name);
  XFree(name);
  return result;
}

std::optional<std::string> XConnection::netWmName(Window w) {
  Display* d = dpy(display_);
  const Atom property = XInternAtom(d, "_NET_WM_NAME", False);
  const Atom utf8 = XInternAtom(d, "UTF8_STRING", False);
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(d, w, property, 0, 1024, False, utf8, &type, &format, &count, &after, &data) !=
          Success ||
      type != utf8 || format != 8 || !data) {
    if (data) XFree(data);
    return std::nullopt;
  }
  std::string result(reinterpret_cast<char*>(data), count);
  XFree(data);
  return result;
}

std::optional<XConnection::Geometry> XConnection::geometry(Window w) {
  XWindowAttributes a{};
  if (!XGetWindowAttributes(dpy(display_), w, &a)) return std::nullopt;
  Geometry g;
  g.x = a.x;
  g.y = a.y;
  g.width = a.width;
  g.height = a.height;
  g.viewable = a.map_state == IsViewable;
  return g;
}

namespace {

std::vector<unsigned long> topLevel(Display* d) {
  ::Window root = 0, parent = 0, *children = nullptr;
  unsigned int count = 0;
  std::vector<unsigned long> result;
  if (XQueryTree(d, DefaultRootWindow(d), &root, &parent, &children, &count)) {
    result.assign(children, children + count);
    if (children) XFree(children);
  }
  return result;
}

// Every window under `w`, depth first.
void descendants(Display* d, unsigned long w, std::vector<unsigned long>& out) {
  ::Window root = 0, parent = 0, *children = nullptr;
  unsigned int count = 0;
  if (!XQueryTree(d, w, &root, &parent, &children, &count)) return;
  const std::vector<unsigned long> these(children, children + count);
  if (children) XFree(children);
  for (unsigned long c : these) {
    out.push_back(c);
    descendants(d, c, out);
  }
}

// The first of `candidates()` that is viewable, named `name` and (when pid
// is not 0) owned by `pid`, polled until `timeout`; 0 if none appeared.
template <class Candidates>
XConnection::Window findNamed(XConnection& x, Candidates candidates, const std::string& name,
                              milliseconds timeout, int pid) {
  XConnection::Window found = 0;
  pollUntil(
      [&] {
        for (XConnection::Window w : candidates()) {
          const auto g = x.geometry(w);
          if (!g || !g->viewable) continue;
          if (pid != 0 && x.netWmPid(w) != pid) continue;
          if (x.netWmName(w) == name || x.wmName(w) == name) {
            found = w;
            return true;
          }
        }
        return false;
      },
      timeout, milliseconds(20));
  return found;
}

}  // namespace

XConnection::Window XConnection::findClientWindow(const std::string& name, milliseconds timeout, int pid) {
  return findNamed(
      *this,
      [&] {
        std::vector<unsigned long> all;
        descendants(dpy(display_), DefaultRootWindow(dpy(display_)), all);
        return all;
      },
      name, timeout, pid);
}

bool XConnection::rootHasProperty(const std::string& name) {
  Display* d = dpy(display_);
  int count = 0;
  Atom* atoms = XListProperties(d, DefaultRootWindow(d), &count);
  const Atom wanted = XInternAtom(d, name.c_str(), False);
  bool found = false;
  for (int i = 0; i < count; ++i) found |= atoms[i] == wanted;
  if (atoms) XFree(atoms);
  return found;
}

bool XConnection::openboxReady() {
  return rootHasProperty("_NET_SUPPORTING_WM_CHECK") && rootHasProperty("_OB_THEME") &&
         rootHasProperty("_NET_CLIENT_LIST");
}

std::optional<long> XConnection::netWmPid(Window w) {
  Display* d = dpy(display_);
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  std::optional<long> pid;
  if (XGetWindowProperty(d, w, XInternAtom(d, "_NET_WM_PID", False), 0, 1, False, XA_CARDINAL, &type,
                         &format, &count, &after, &data) == Success &&
      type == XA_CARDINAL && format == 32 && count == 1 && data) {
    pid = *reinterpret_cast<long*>(data);  // format 32 comes as longs
  }
  if (data) XFree(data);
  return pid;
}

std::optional<std::string> XConnection::wmClass(Window w) {
  XClassHint hint{};
  if (!XGetClassHint(dpy(display_), w, &hint)) return std::nullopt;
  std::string both = std::string(hint.res_name ? hint.res_name : "") + "/" + (hint.res_class ? hint.res_class : "");
  if (hint.res_name) XFree(hint.res_name);
  if (hint.res_class) XFree(hint.res_class);
  return both;
}

XConnection::Window XConnection::findWindow(const std::string& name, milliseconds timeout, int pid) {
  return findNamed(*this, [&] { return topLevel(dpy(display_)); }, name, timeout, pid);
}

std::string XConnection::describeTopLevelWindows() {
  std::string text;
  for (Window w : topLevel(dpy(display_))) {
    const auto g = geometry(w);
    text += "  window " + std::to_string(w);
    if (g) {
      text += std::string(g->viewable ? " viewable " : " unmapped ") + std::to_string(g->width) + "x" +
              std::to_string(g->height) + "+" + std::to_string(g->x) + "+" + std::to_string(g->y);
    }
    if (auto n = wmName(w)) text += " WM_NAME=\"" + *n + "\"";
    if (auto n = netWmName(w)) text += " _NET_WM_NAME=\"" + *n + "\"";
    if (auto p = netWmPid(w)) text += " _NET_WM_PID=" + std::to_string(*p);
    text += "\n";
  }
  return text.empty() ? "  (no top-level windows)\n" : text;
}

Image XConnection::capture(Window w) {
  const auto g = geometry(w);
  if (!g || !g->viewable) return {};
  XImage* x = XGetImage(dpy(display_), w, 0, 0, static_cast<unsigned>(g->width),
                        static_cast<unsigned>(g->height), AllPlanes, ZPixmap);
  return toImage(x);
}

Image XConnection::captureRoot() {
  Display* d = dpy(display_);
  const int screen = DefaultScreen(d);
  XImage* x = XGetImage(d, RootWindow(d, screen), 0, 0, static_cast<unsigned>(DisplayWidth(d, screen)),
                        static_cast<unsigned>(DisplayHeight(d, screen)), AllPlanes, ZPixmap);
  return toImage(x);
}

void XConnection::focus(Window w) {
  XRaiseWindow(dpy(display_), w);
  XSetInputFocus(dpy(display_), w, RevertToPointerRoot, CurrentTime);
  XSync(dpy(display_), False);
}

bool XConnection::hasXTest() {
  int event = 0, error = 0, major = 0, minor = 0;
  return XTestQueryExtension(dpy(display_), &event, &error, &major, &minor);
}

bool XConnection::key(unsigned long keysym, bool down) {
  Display* d = dpy(display_);
  const KeyCode code = XKeysymToKeycode(d, keysym);
  if (!code) return false;
  const bool ok = XTestFakeKeyEvent(d, code, down ? True : False, CurrentTime);
  XSync(d, False);
  return ok;
}

bool XConnection::tapKey(unsigned long keysym, milliseconds hold) {
  if (!key(keysym, true)) return false;
  std::this_thread::sleep_for(hold);
  return key(keysym, false);
}

bool XConnection::requestClose(Window w) {
  Display* d = dpy(display_);
  XEvent e{};
  e.xclient.type = ClientMessage;
  e.xclient.window = w;
  e.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
  e.xclient.format = 32;
  e.xclient.data.l[0] = static_cast<long>(XInternAtom(d, "WM_DELETE_WINDOW", False));
  e.xclient.data.l[1] = CurrentTime;
  const Status sent = XSendEvent(d, w, False, NoEventMask, &e);
  XSync(d, False);
  return sent != 0;
}

void XConnection::destroy(Window w) {
  XDestroyWindow(dpy(display_), w);
  XSync(dpy(display_), False);
}

bool XConnection::resize(Window w, int width, int height) {
  Display* d = dpy(display_);
  XResizeWindow(d, w, static_cast<unsigned>(width), static_cast<unsigned>(height));
  XSync(d, False);
  return true;
}

bool XConnection::move(Window w, int x, int y) {
  Display* d = dpy(display_);
  XMoveWindow(d, w, x, y);
  XSync(d, False);
  return true;
}

void XConnection::sync() {
  if (display_) XSync(dpy(display_), False);
}

std::string XConnection::takeErrors() {
  sync();
  std::string errors;
  errors.swap(recordedErrors());
  return errors;
}

}  // namespace zorbly::testing
