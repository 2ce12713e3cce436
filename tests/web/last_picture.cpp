// last_picture SCRIPT PNG: plays SCRIPT as zorbly-headless does, writes
// the play field after the last frame played to PNG, also when that frame
// ended the game, and prints the state line the game ended with. That is the picture the page leaves under its game-over
// dialog, which zorbly-headless cannot shoot: it reads nothing after the end.
// Built natively by scripts/test-web.sh for the browser tests.

#include <exception>
#include <iostream>
#include <string>

#include "scene/png.h"
#include "session/files.h"
#include "session/script.h"
#include "session/session.h"
#include "session/trace.h"

int main(int argc, char** argv) {
  using namespace zorbly;
  if (argc != 3) {
    std::cerr << "usage: last_picture SCRIPT PNG\n";
    return 2;
  }
  try {
    const Assets assets;
    FileSource in(argv[1]);
    ScriptReader script(in);
    Session game(assets);
    while (auto command = script.next()) {
      game.apply(*command);
      if (game.ended()) break;
    }
    if (const auto& bad = script.badLine()) {
      std::cerr << "last_picture: line " << script.line() << ": " << bad->reason << '\n';
      return 2;
    }
    writeFile(argv[2], encodePng(game.picture()));
    std::string state;
    appendStateLine(state, game.state(), game.interval());
    std::cout << state << std::flush;
  } catch (const std::exception& e) {
    std::cerr << "last_picture: " << e.what() << '\n';
    return 1;
  }
  return 0;
}
