#include "app/replay.h"

#include <fstream>

namespace zorbly {

std::variant<ReplayScript, ReplayError> readReplay(std::istream& in, const std::string& name) {
  ReplayScript script;
  std::string text;
  long long line = 0;
  bool first = true;
  while (std::getline(in, text)) {
    ++line;
    ParsedLine parsed = parseLine(text);
    if (std::holds_alternative<BlankLine>(parsed)) continue;
    if (auto* bad = std::get_if<BadLine>(&parsed)) {
      return ReplayError{2, "zorbly: line " + std::to_string(line) + ": " + bad->reason};
    }
    Command& command = std::get<Command>(parsed);
    if (command.kind == Command::Kind::seed) {
      if (!first) {
        return ReplayError{2, "zorbly: line " + std::to_string(line) +
                                  ": seed is allowed only as the first command"};
      }
      script.seed = command.number;
    } else {
      script.steps.push_back(ReplayScript::Step{std::move(command), line});
    }
    first = false;
  }
  if (in.bad()) return ReplayError{1, "zorbly: cannot read line " + std::to_string(line + 1) + " of " + name};
  return script;
}

std::variant<ReplayScript, ReplayError> loadReplay(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return ReplayError{1, "zorbly: cannot read " + path};
  return readReplay(file, path);
}

}  // namespace zorbly
