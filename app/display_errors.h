#pragma once
// What happens when the display goes wrong under us.

namespace zorbly {

// Under X11: a lost connection to the display (the server died, the network
// went away) ends the program at once with one line on standard error and
// status 1, instead of Xlib's multi-line report; a protocol error is reported
// on one line and play goes on. Elsewhere this does nothing.
//
// `beforeExit`, when given, is called once just before such an end, on the
// thread that saw the loss: the last chance to write out what must not be
// lost (a recording). It must not touch the display.
void watchDisplayErrors(void (*beforeExit)(void*) = nullptr, void* context = nullptr);

}  // namespace zorbly
