#pragma once
// The game without a window: runs script commands (see script.h) from `in`
// and writes JSON lines to `out`, flushed after every command. Frames run
// only on `tick`, as fast as the commands come.

#include <cstdint>
#include <iosfwd>
#include <optional>

#include "scene/font.h"
#include "scene/pictures.h"

namespace zorbly {

// Exit statuses of the headless mode.
inline constexpr int exitOk = 0;
inline constexpr int exitFileError = 1;  // a file that cannot be read or written
inline constexpr int exitBadLine = 2;    // a line that is not a valid command

// Runs the whole script and returns the exit status. Bad lines and files are
// reported on `err` as "zorbly: line N: ..." and stop the run.
int runHeadless(std::istream& in, std::ostream& out, std::ostream& err,
                std::optional<std::uint64_t> seed, const Pictures& pictures, const Font& font);

}  // namespace zorbly
