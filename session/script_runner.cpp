#include "session/script_runner.h"

#include <cerrno>
#include <ostream>

#include "session/messages.h"
#include "session/session.h"

namespace zorbly {

int runScript(ByteSource& in, std::ostream& out, std::ostream& err, const Assets& assets,
              SessionOptions options) {
  options.out = &out;
  Session game(assets, options);
  // Output that cannot be written is a file that cannot be written.
  auto flushed = [&] {
    errno = 0;
    game.flush();
    if (out) return true;
    err << "zorbly: cannot write standard output: " << reasonFor(errno ? errno : EIO) << '\n';
    return false;
  };
  ScriptReader script(in);
  try {
    while (auto command = script.next()) {
      game.apply(*command);
      if (!flushed()) return exitFailed;
      if (game.ended()) return exitOk;
    }
  } catch (const FileError& e) {
    if (!flushed()) return exitFailed;
    err << "zorbly: " << e.what() << '\n';
    return exitFailed;
  }
  if (const auto& bad = script.badLine()) {
    err << "zorbly: line " << script.line() << ": " << bad->reason << '\n';
    return exitUsage;
  }
  game.start();  // a script with no command still starts the game
  return flushed() ? exitOk : exitFailed;
}

}  // namespace zorbly
