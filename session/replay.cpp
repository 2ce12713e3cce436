#include "session/replay.h"

#include "session/messages.h"

namespace zorbly {

std::variant<ReplayScript, ReplayError> readReplay(ByteSource& in) {
  ReplayScript script;
  ScriptReader reader(in);
  try {
    while (auto command = reader.next()) {
      using Kind = Command::Kind;
      auto& steps = script.steps;
      if (command->kind == Kind::seed) {
        script.seed = command->number;
      } else if (command->kind == Kind::tick && !steps.empty() && steps.back().kind == Kind::tick) {
        steps.back().number += command->number;  // frames in a row are frames in a row
      } else if (command->kind == Kind::shot) {
        steps.push_back({Kind::shot, static_cast<std::uint32_t>(script.shots.size()), 0});
        script.shots.push_back(std::move(command->file));
      } else {
        steps.push_back({command->kind, 0, command->number});
      }
    }
  } catch (const FileError& e) {
    return ReplayError{exitFailed, "zorbly: " + std::string(e.what())};
  }
  if (const auto& bad = reader.badLine()) {
    return ReplayError{exitUsage, "zorbly: line " + std::to_string(reader.line()) + ": " + bad->reason};
  }
  script.steps.shrink_to_fit();
  return script;
}

std::variant<ReplayScript, ReplayError> loadReplay(const std::string& path) {
  try {
    FileSource file(path);
    return readReplay(file);
  } catch (const FileError& e) {
    return ReplayError{exitFailed, "zorbly: " + std::string(e.what())};
  }
}

std::optional<Command> ReplayPlayer::nextBeforeFrame() {
  if (done()) return std::nullopt;
  const ReplayScript::Step& step = script_.steps[at_];
  if (step.kind == Command::Kind::tick) return std::nullopt;
  ++at_;
  Command c{step.kind, step.number, {}};
  if (step.kind == Command::Kind::shot) c.file = script_.shots[step.shot];
  return c;
}

void ReplayPlayer::takeFrame() {
  if (done() || script_.steps[at_].kind != Command::Kind::tick) return;
  if (++used_ == script_.steps[at_].number) {
    ++at_;
    used_ = 0;
  }
}

}  // namespace zorbly
