#pragma once
// The game without a window: runs script commands (script.h) from `in` and
// writes JSON lines to `out`, flushed after every command. Frames run only
// on `tick`, as fast as the commands come.

#include <cstdint>
#include <iosfwd>
#include <optional>

#include "scene/scene.h"
#include "session/files.h"
#include "session/session.h"

namespace zorbly {

// Runs the whole script and returns the exit status (session/messages.h).
// Bad lines and files are reported on `err`, one line each:
// "zorbly: line 3: unknown command 'jump'", "zorbly: cannot write x.png: ...".
// `options`: the seed the program was given, and how shots are written.
int runHeadless(ByteSource& in, std::ostream& out, std::ostream& err, const Assets& assets,
                const SessionOptions& options = {});

}  // namespace zorbly
