#include "session/session.h"

#include <ostream>
#include <stdexcept>

#include "game/handlers.h"
#include "scene/png.h"

namespace zorbly {

namespace {

// Long runs of frames with the trace on hand their lines over in pieces of
// about this size, so that memory stays small.
constexpr std::size_t outputChunk = 1 << 16;

}  // namespace

Session::Session(const Assets& assets, const SessionOptions& options)
    : out_(options.out), random_(options.seed), scene_(assets.pictures, assets.font),
      services_(scene_, random_, options.box), tracer_(services_, buffer_), sink_(options.sink),
      writeShot_(options.writeShot), traceable_(options.trace && out_), trace_(traceable_) {
  // Room for the largest piece a traced run hands over, so that the buffer never grows.
  if (trace_) buffer_.reserve(2 * outputChunk);
}

Session::Session(const Session& other, std::ostream* out, CommandSink* sink)
    : out_(out), random_(other.random_), scene_(other.scene_),
      services_(other.services_, scene_, random_), tracer_(services_, buffer_),
      state_(other.state_), sink_(sink), writeShot_(other.writeShot_),
      traceable_(other.traceable_ && out_), trace_(other.trace_ && out_),
      started_(other.started_) {
  if (traceable_) buffer_.reserve(2 * outputChunk);
}

void Session::start() {
  if (started_) return;
  started_ = true;
  Form_Initialize(state_, active());
  if (sink_) sink_->started(random_.seed());
}

void Session::apply(const Command& c) {
  if (c.kind == Command::Kind::seed) {
    if (started_) throw std::invalid_argument("seed is allowed only before the game starts");
    random_.setFixedSeed(c.number);
    return;
  }
  start();
  switch (c.kind) {
    case Command::Kind::seed: break;  // taken above
    case Command::Kind::down:
      if (sink_) sink_->applied(c);
      Form_KeyDown(state_, static_cast<int>(c.number), 0);
      break;
    case Command::Kind::up:
      if (sink_) sink_->applied(c);
      Form_KeyUp(state_, static_cast<int>(c.number), 0);
      break;
    case Command::Kind::tick: tick(c); break;
    case Command::Kind::state:
      if (out_) appendStateLine(buffer_, state_, services_.interval());
      break;
    case Command::Kind::shot: writeShot_(c.file, encodePng(picture())); break;
    case Command::Kind::traceOn: trace_ = traceable_; break;
    case Command::Kind::traceOff: trace_ = false; break;
  }
}

const Framebuffer& Session::picture() {
  compose(scene_, frame_);
  return frame_;
}

void Session::flush() {
  if (!out_) return;
  out_->write(buffer_.data(), static_cast<std::streamsize>(buffer_.size()));
  out_->flush();
  buffer_.clear();
}

void Session::tick(const Command& c) {
  if (!services_.running()) return;  // a stopped timer delivers nothing
  if (sink_) sink_->applied(c);
  for (std::uint64_t n = 0; n < c.number && services_.running(); ++n) {
    Timer1_Timer(state_, active());
    if (buffer_.size() >= outputChunk) {  // only with the trace on, so with an output
      out_->write(buffer_.data(), static_cast<std::streamsize>(buffer_.size()));
      buffer_.clear();
      if (!*out_) return;  // nobody to write for: the front end reports it
    }
  }
}

}  // namespace zorbly
