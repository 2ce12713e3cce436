#include "session/replay.h"

#include "session/messages.h"

namespace zorbly {

namespace fs = std::filesystem;

namespace {

// Reads every command and checks it; keeps them in `script` when `hold`.
std::optional<ReplayError> check(ByteSource& in, const std::string& name, bool hold, ReplayScript& script) {
  ScriptReader reader(in);
  std::size_t held = 0;
  try {
    while (auto command = reader.next()) {
      using Kind = Command::Kind;
      auto& steps = script.steps;
      if (command->kind == Kind::seed) {
        script.seed = command->number;
        continue;
      }
      if (!hold) continue;
      if (command->kind == Kind::tick && !steps.empty() && steps.back().kind == Kind::tick) {
        steps.back().number += command->number;  // frames in a row are frames in a row
        continue;
      }
      held += sizeof(ReplayScript::Step);
      if (command->kind == Kind::shot) {
        held += sizeof(std::string) + command->file.size();
        steps.push_back({Kind::shot, static_cast<std::uint32_t>(script.shots.size()), 0});
        script.shots.push_back(std::move(command->file));
      } else {
        steps.push_back({command->kind, 0, command->number});
      }
      if (held > maxHeldReplayBytes) {
        return ReplayError{exitFailed, "zorbly: cannot replay " + printableFileName(name) + ": longer than " +
                                           std::to_string(maxHeldReplayBytes >> 20) +
                                           " MB can hold when it is not a plain file; replay it from a file"};
      }
    }
  } catch (const FileError& e) {
    return ReplayError{exitFailed, "zorbly: " + std::string(e.what())};
  }
  if (const auto& bad = reader.badLine()) {
    return ReplayError{exitUsage, "zorbly: line " + std::to_string(reader.line()) + ": " + bad->reason};
  }
  script.steps.shrink_to_fit();
  return std::nullopt;
}

}  // namespace

std::variant<ReplayScript, ReplayError> readReplay(ByteSource& in, const std::string& name) {
  ReplayScript script;
  if (auto error = check(in, name, true, script)) return *error;
  return script;
}

std::variant<ReplayScript, ReplayError> loadReplay(const std::string& path) {
  try {
    ReplayScript script;
    std::error_code ec;
    const fs::path p = pathOf(path);
    const bool plain = fs::is_regular_file(p, ec);
    if (plain) {
      script.path = path;
      script.size = fs::file_size(p, ec);
      script.written = fs::last_write_time(p, ec);
    }
    FileSource file(path);
    if (auto error = check(file, path, !plain, script)) return *error;
    return script;
  } catch (const FileError& e) {
    return ReplayError{exitFailed, "zorbly: " + std::string(e.what())};
  }
}

ReplayPlayer::ReplayPlayer(const ReplayScript& script) : script_(script) {
  if (script.streamed()) {
    std::error_code ec;
    const fs::path p = pathOf(script.path);
    if (fs::file_size(p, ec) != script.size || fs::last_write_time(p, ec) != script.written) {
      throw FileError("cannot replay " + printableFileName(script.path) + ": it changed after it was checked");
    }
    file_.emplace(script.path);
    reader_.emplace(*file_);
  }
  advance();
}

void ReplayPlayer::advance() {
  used_ = 0;
  if (!script_.streamed()) {
    current_.reset();
    if (at_ == script_.steps.size()) return;
    const ReplayScript::Step& step = script_.steps[at_++];
    current_ = Command{step.kind, step.number, {}};
    if (step.kind == Command::Kind::shot) current_->file = script_.shots[step.shot];
    return;
  }
  do {
    current_ = reader_->next();
  } while (current_ && current_->kind == Command::Kind::seed);
  if (!current_ && reader_->badLine()) {
    throw FileError("cannot replay " + printableFileName(script_.path) + ": it changed after it was checked (line " +
                    std::to_string(reader_->line()) + ": " + reader_->badLine()->reason + ")");
  }
}

std::optional<Command> ReplayPlayer::nextBeforeFrame() {
  if (!current_ || current_->kind == Command::Kind::tick) return std::nullopt;
  std::optional<Command> command = std::move(current_);
  advance();
  return command;
}

void ReplayPlayer::takeFrame() {
  if (!current_ || current_->kind != Command::Kind::tick) return;
  if (++used_ == current_->number) advance();
}

void ReplayPlayer::takeRestOfTick() {
  if (current_ && current_->kind == Command::Kind::tick) advance();
}

}  // namespace zorbly
