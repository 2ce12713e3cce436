#pragma once
// What the program says when something goes wrong, and how it exits. Every
// message is one line on standard error; text that came from outside (a
// script line, a file name) is made safe to print first.

#include <stdexcept>
#include <string>
#include <string_view>

namespace zorbly {

// Exit statuses, the same for every program and front end.
inline constexpr int exitOk = 0;      // game over, the ending, the end of the input, a closed window
inline constexpr int exitFailed = 1;  // a file that cannot be read or written; no display, or a lost one
inline constexpr int exitUsage = 2;   // a bad option, or a script line that is not a valid command
inline constexpr int exitFatal = 3;   // an internal fault (FatalError): a sprite or picture that is not there

// A file that cannot be read or written; what() is the whole reason, naming
// the file: "cannot write x.png: No space left on device".
struct FileError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// `text` as it may be shown on a terminal: control bytes (escape sequences
// among them) and bytes that are not UTF-8 written as \xNN, backslashes as
// \\; the C1 controls (U+0080-U+009F) and the invisible format characters
// (direction overrides, zero-width marks, byte-order marks) as the \xNN of
// their bytes too; any other UTF-8 is kept.
std::string printable(std::string_view text);

// A file name as printable() writes it, cut to its first 200 bytes or so
// (and "..." after), except that on Windows, where it is the folder
// separator, a backslash stays one: "C:\Users\me\x.png".
std::string printableFileName(std::string_view name);

// printable(text) in single quotes, cut to its first 60 bytes or so (and
// "..." after) so that a huge token makes no huge message: 'jump'.
std::string quote(std::string_view text);

// The system's reason for the error number, in the same words on every
// platform: "No such file or directory".
std::string reasonFor(int error);

}  // namespace zorbly
