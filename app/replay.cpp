#include "app/replay.h"

#include <fstream>

namespace zorbly {

std::variant<ReplayScript, ReplayError> readReplay(std::istream& in, const std::string& name) {
  ReplayScript script;
  ScriptReader reader(in);
  while (auto command = reader.next()) {
    if (command->kind == Command::Kind::seed) {
      script.seed = command->number;
    } else {
      script.steps.push_back(ReplayScript::Step{std::move(*command), reader.line()});
    }
  }
  if (const auto& bad = reader.badLine()) {
    return ReplayError{2, "zorbly: line " + std::to_string(reader.line()) + ": " + bad->reason};
  }
  if (reader.readFailed()) {
    return ReplayError{1, "zorbly: cannot read line " + std::to_string(reader.line() + 1) + " of " + name};
  }
  return script;
}

std::variant<ReplayScript, ReplayError> loadReplay(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return ReplayError{1, "zorbly: cannot read " + path};
  return readReplay(file, path);
}

}  // namespace zorbly
