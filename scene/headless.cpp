#include "scene/headless.h"

#include <istream>
#include <ostream>
#include <stdexcept>
#include <utility>

#include "game/handlers.h"
#include "scene/fatal.h"

namespace zorbly {

namespace {

// Long runs of frames with the trace on hand their output over in pieces of
// about this size, so that memory stays small.
constexpr std::size_t outputChunk = 1 << 16;

}  // namespace

HeadlessGame::HeadlessGame(std::ostream& out, std::optional<std::uint64_t> seed,
                           const Pictures& pictures, const Font& font, ShotWriter writeShot)
    : out_(out), writeShot_(std::move(writeShot)), random_(seed), scene_(pictures, font),
      services_(scene_, random_), tracer_(services_, buffer_) {
  buffer_.reserve(2 * outputChunk);
}

void HeadlessGame::start() {
  if (started_) return;
  started_ = true;
  Form_Initialize(state_, active());
}

void HeadlessGame::run(const Command& c) {
  start();
  switch (c.kind) {
    case Command::Kind::seed: break;  // taken before the start
    case Command::Kind::down: Form_KeyDown(state_, static_cast<int>(c.number), 0); break;
    case Command::Kind::up: Form_KeyUp(state_, static_cast<int>(c.number), 0); break;
    case Command::Kind::tick: tick(c.number); break;
    case Command::Kind::state: appendStateLine(buffer_, state_, services_.interval()); break;
    case Command::Kind::shot:
      compose(scene_, frame_);
      writeShot_(frame_, c.file);
      break;
    case Command::Kind::traceOn: trace_ = true; break;
    case Command::Kind::traceOff: trace_ = false; break;
  }
}

void HeadlessGame::flush() {
  out_.write(buffer_.data(), static_cast<std::streamsize>(buffer_.size()));
  out_.flush();
  buffer_.clear();
}

void HeadlessGame::tick(std::uint64_t frames) {
  for (std::uint64_t n = 0; n < frames && services_.running(); ++n) {
    Timer1_Timer(state_, active());
    if (buffer_.size() >= outputChunk) {
      out_.write(buffer_.data(), static_cast<std::streamsize>(buffer_.size()));
      buffer_.clear();
      if (!out_) return;  // nobody to write for: runHeadless reports it
    }
  }
}

int runHeadless(std::istream& in, std::ostream& out, std::ostream& err,
                std::optional<std::uint64_t> seed, const Pictures& pictures, const Font& font,
                ShotWriter writeShot) {
  HeadlessGame game(out, seed, pictures, font, std::move(writeShot));
  // Output that cannot be written is a file that cannot be written.
  auto flushed = [&] {
    game.flush();
    if (out) return true;
    err << "zorbly: cannot write the output\n";
    return false;
  };
  ScriptReader script(in);
  while (auto command = script.next()) {
    if (command->kind == Command::Kind::seed) {
      game.seed(command->number);
      continue;
    }
    try {
      game.run(*command);
    } catch (const std::runtime_error& e) {
      if (dynamic_cast<const FatalError*>(&e)) throw;
      if (!flushed()) return exitFileError;
      err << "zorbly: line " << script.line() << ": " << e.what() << '\n';
      return exitFileError;
    }
    if (!flushed()) return exitFileError;
    if (game.ended()) return exitOk;
  }
  if (const auto& bad = script.badLine()) {
    err << "zorbly: line " << script.line() << ": " << bad->reason << '\n';
    return exitBadLine;
  }
  // A read that fails (a directory given as the script, say) is not the end.
  if (script.readFailed()) {
    err << "zorbly: cannot read line " << script.line() + 1 << " of the script\n";
    return exitFileError;
  }
  game.start();
  return flushed() ? exitOk : exitFileError;
}

}  // namespace zorbly
