#include "session/headless.h"

#include <ostream>

#include "session/messages.h"
#include "session/session.h"

namespace zorbly {

int runHeadless(ByteSource& in, std::ostream& out, std::ostream& err, const Assets& assets,
                const SessionOptions& options) {
  Session game(assets, out, options);
  // Output that cannot be written is a file that cannot be written.
  auto flushed = [&] {
    game.flush();
    if (out) return true;
    err << "zorbly: cannot write the output\n";
    return false;
  };
  ScriptReader script(in);
  try {
    while (auto command = script.next()) {
      if (command->kind == Command::Kind::seed) {
        game.seed(command->number);
        continue;
      }
      game.apply(*command);
      if (!flushed()) return exitFileError;
      if (game.ended()) return exitOk;
    }
  } catch (const FileError& e) {
    if (!flushed()) return exitFileError;
    err << "zorbly: " << e.what() << '\n';
    return exitFileError;
  }
  if (const auto& bad = script.badLine()) {
    err << "zorbly: line " << script.line() << ": " << bad->reason << '\n';
    return exitBadLine;
  }
  game.start();  // a script with no command still starts the game
  return flushed() ? exitOk : exitFileError;
}

}  // namespace zorbly
