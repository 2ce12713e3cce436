#pragma once
// The headless program's main(): `zorbly-headless [--seed N] [--script FILE]`,
// and `zorbly --headless ...`, which is the same program.

#include <string>
#include <vector>

namespace zorbly {

// `args`: the arguments after the program name; `program`: its name as the
// user typed it, for messages. Returns the exit status.
int headlessMain(const std::vector<std::string>& args, const std::string& program);

}  // namespace zorbly
