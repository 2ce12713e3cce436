#include "game.h"

#include <stdexcept>
#include <utility>

namespace zorbly::python {

namespace {

std::unique_ptr<std::ostringstream> newStreamIf(bool wanted) {
  return wanted ? std::make_unique<std::ostringstream>() : nullptr;
}

}  // namespace

Game::Game(const Assets& assets, std::optional<std::uint64_t> seed, bool trace, bool record)
    : traceOut_(newStreamIf(trace)),
      recording_(record ? std::make_unique<Recording>() : nullptr),
      session_(assets, SessionOptions{.seed = seed,
                                      .out = traceOut_.get(),
                                      .sink = recording_ ? &recording_->recorder : nullptr}),
      tracing_(trace) {
  session_.start();
  if (traceOut_) session_.flush();
}

Game::Game(const Game& other, std::unique_ptr<std::ostringstream> traceOut,
           std::unique_ptr<Recording> recording)
    : traceOut_(std::move(traceOut)), recording_(std::move(recording)),
      session_(other.session_, traceOut_.get(), recording_ ? &recording_->recorder : nullptr),
      tracing_(other.tracing_) {}

std::unique_ptr<Game> Game::clone() {
  std::unique_ptr<Recording> recording;
  if (recording_) {
    recording_->recorder.writePending();
    recording = std::make_unique<Recording>();
    recording->script = recording_->script;
  }
  return std::unique_ptr<Game>(new Game(*this, newStreamIf(traced()), std::move(recording)));
}

void Game::apply(const Command& c) {
  session_.apply(c);
  if (traceOut_) session_.flush();
}

void Game::key(Command::Kind kind, int code) {
  if (over()) return;  // the handlers must not run after the end
  apply({kind, static_cast<std::uint64_t>(code), {}});
}

void Game::tick(std::uint64_t frames) { apply({Command::Kind::tick, frames, {}}); }

void Game::shot(const std::string& path) { apply({Command::Kind::shot, 0, path}); }

void Game::setTracing(bool on) {
  if (!traceOut_) throw std::logic_error("this game was made without its trace (trace=True)");
  apply({on ? Command::Kind::traceOn : Command::Kind::traceOff, 0, {}});
  tracing_ = on;
}

std::string Game::takeTrace() {
  if (!traceOut_) return {};
  std::string lines = std::move(*traceOut_).str();
  traceOut_->str({});
  return lines;
}

std::string Game::recording() {
  if (!recording_) return {};
  recording_->recorder.writePending();
  return recording_->script.text();
}

}  // namespace zorbly::python
