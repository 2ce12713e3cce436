#pragma once
// Where zorbly's messages go on Windows, where it is a windowed program with
// no console of its own. Standard error that is redirected (a file, a pipe)
// is written as it is; started from a console, the program writes to that
// console; started any other way (Explorer, a shortcut), what it would have
// written on standard error is kept and shown in a box as the program ends,
// so that "unknown option", "cannot read FILE" and "cannot open a window"
// are seen; so is what it writes on standard output when that leads nowhere
// either (--help, --version). The headless mode never shows a box: programs
// run it.
// Elsewhere both calls do nothing.

namespace zorbly {

#if defined(_WIN32)

// Called first thing in main(), before anything is written and before
// guardStandardStreams() stands the null device in for missing streams.
void findStandardStreams(bool headless);

// Called with the status main() is about to return: shows what was kept, if
// anything, in a box (title "Zorbly", one OK button) and returns `status`.
int showKeptMessages(int status);

#else

inline void findStandardStreams(bool) {}
inline int showKeptMessages(int status) { return status; }

#endif

}  // namespace zorbly
