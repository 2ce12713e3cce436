#pragma once
// The game without a window: runs script commands (script.h) from `in` on a
// Session and writes its JSON lines to `out`, flushed after every command.
// Frames run only on `tick`, as fast as the commands come. What the headless
// program runs, and the fuzzer.

#include <iosfwd>

#include "scene/scene.h"
#include "session/files.h"
#include "session/session.h"

namespace zorbly {

// Runs the whole script and returns the exit status (session/messages.h).
// Bad lines and files are reported on `err`, one line each:
// "zorbly: line 3: unknown command 'jump'", "zorbly: cannot write x.png: ...";
// `out` is the program's standard output, and is named so when it cannot be
// written ("cannot write standard output: Broken pipe").
// `options`: the seed the program was given, and how shots are written; the
// output is `out`, whatever `options` says.
int runScript(ByteSource& in, std::ostream& out, std::ostream& err, const Assets& assets,
              SessionOptions options = {});

}  // namespace zorbly
