#pragma once
// What happens when the display goes wrong under us.

struct SDL_Window;

namespace zorbly {

// Under X11: a lost connection to the display (the server died, the network
// went away) ends the program at once with one line on standard error and
// status 1, instead of Xlib's multi-line report; only this process says it,
// not the child that shows SDL's message box. Any other error is reported on
// one line, once for each kind, and play goes on. Elsewhere this does nothing.
//
// `beforeExit`, when given, is called once just before such an end, on the
// thread that saw the loss: the last chance to write out what must not be
// lost (a recording). It must not touch the display.
void watchDisplayErrors(void (*beforeExit)(void*) = nullptr, void* context = nullptr);

// The game's window, whose loss watchDisplayErrors() notices: an error that
// says it no longer exists (another program destroyed it) is not reported,
// and windowGone() becomes true.
void watchWindow(SDL_Window* window);
bool windowGone();

// Waits for the display's answers to what was sent so far, so that errors
// they hold (destroying a window that is already gone) meet the handler
// above: call it after destroying the window, before SDL lets go of video.
void settleDisplayErrors();

}  // namespace zorbly
