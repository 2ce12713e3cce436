// Files as the programs write them: a shot is whole or absent and never
// lands anywhere but where it was asked for; a recording ends with a whole
// line, belongs to one game, and says why when it cannot go on.

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <string>

#if !defined(_WIN32)
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#endif

#include "session/files.h"
#include "session/messages.h"
#include "support/run_program.h"

namespace zorbly::testing {
namespace {

namespace fs = std::filesystem;

std::string failure(const std::string& path, std::string_view bytes) {
  try {
    writeFile(path, bytes);
  } catch (const FileError& e) {
    return e.what();
  }
  return "written";
}

std::size_t entries(const fs::path& dir) {
  return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir), {}));
}

// Any name the file system takes works, the longest too: the temporary file
// beside it has a short name of its own.
TEST(Files, AShotTakesAnyNameTheFileSystemTakes) {
  Scratch dir;
  const std::string longest = (dir / (std::string(251, 'a') + ".png")).string();
  EXPECT_EQ(failure(longest, "picture"), "written");
  EXPECT_EQ(slurp(longest), "picture");
#if !defined(_WIN32)  // Windows counts the limit in UTF-16 units and words it its own way
  const std::string tooLong = (dir / (std::string(256, 'b') + ".png")).string();
  EXPECT_EQ(failure(tooLong, "picture"), "cannot write " + tooLong.substr(0, 200) + "...: File name too long");
#endif
  EXPECT_EQ(entries(dir.path()), 1u) << "no temporary file is left behind";
}

// A read-only file stays as it is, even for a user the system would let
// replace it (root).
TEST(Files, AShotDoesNotReplaceAReadOnlyFile) {
  Scratch dir;
  const fs::path kept = dir / "kept.png";
  spit(kept, "the old picture");
  fs::permissions(kept, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  EXPECT_EQ(failure(kept.string(), "a new picture"), "cannot write " + kept.string() + ": Permission denied");
  EXPECT_EQ(slurp(kept), "the old picture");
  EXPECT_EQ(entries(dir.path()), 1u);
  fs::permissions(kept, fs::perms::owner_all);
}

// Two games recording to one file would both lose their recording: the
// second is refused while the first has it.
TEST(Files, OneGameAtATimeRecordsToAFile) {
  Scratch dir;
  const std::string path = (dir / "game.txt").string();
  {
    RecordingFile first(path);
    EXPECT_TRUE(first.writeLine("seed 22\n"));
    try {
      RecordingFile second(path);
      ADD_FAILURE() << "a second game recorded to the file";
    } catch (const FileError& e) {
      EXPECT_EQ(std::string(e.what()), "cannot write " + path + ": another game is recording to it");
    }
    EXPECT_TRUE(first.writeLine("tick 64\n"));
  }
  EXPECT_EQ(slurp(path), "seed 22\ntick 64\n");
  RecordingFile again(path);  // once the first game is done, the file is free, and emptied
  EXPECT_EQ(slurp(path), "");
  try {
    RecordingFile folder(dir.path().string());
    ADD_FAILURE() << "recorded to a folder";
  } catch (const FileError& e) {
    EXPECT_EQ(std::string(e.what()), "cannot write " + dir.path().string() + ": Is a directory");
  }
}

#if !defined(_WIN32)

// In a shared folder (/tmp) another user may lay a link where the temporary
// file would go, to have one of your files overwritten: the temporary name
// cannot be guessed, and is only ever created anew.
TEST(Files, AShotNeverWritesThroughALinkLaidForIt) {
  Scratch dir;
  spit(dir / "victim", "someone's file");
  // Where the temporary file of x.png used to be, for a program with this process's id.
  fs::create_symlink(dir / "victim", dir / (".x.png.zorbly-" + std::to_string(::getpid())));
  ASSERT_EQ(failure((dir / "x.png").string(), "picture"), "written");
  EXPECT_EQ(slurp(dir / "victim"), "someone's file");
  EXPECT_FALSE(fs::is_symlink(dir / "x.png"));
  EXPECT_EQ(slurp(dir / "x.png"), "picture");
  EXPECT_EQ(entries(dir.path()), 3u) << "no temporary file is left behind";
}

// A full disk (here a file size limit) cuts a line short: it is taken back
// out, so that what was recorded still replays as the game it was, and the
// reason is kept for the message.
TEST(Files, ARecordingEndsWithAWholeLineWhenTheDiskIsFull) {
  Scratch dir;
  const std::string path = (dir / "game.txt").string();
  const auto ignored = std::signal(SIGXFSZ, SIG_IGN);
  rlimit was{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &was), 0);
  rlimit small = was;
  small.rlim_cur = 10;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  bool firstWritten = false, secondWritten = true;
  int error = 0;
  {
    RecordingFile file(path);
    firstWritten = file.writeLine("seed 7\n");
    secondWritten = file.writeLine("seed 18446744073709551615\n");
    error = file.error();
  }
  ::setrlimit(RLIMIT_FSIZE, &was);
  std::signal(SIGXFSZ, ignored);
  EXPECT_TRUE(firstWritten);
  EXPECT_FALSE(secondWritten);
  EXPECT_EQ(reasonFor(error), "File too large");
  EXPECT_EQ(slurp(path), "seed 7\n");
}

// A pipe whose reader has gone is a write that fails, not the end of the
// program (a signal): the recording stops and says why.
TEST(Files, ARecordingIntoAPipeWithNoReaderSaysSo) {
  int ends[2];
  ASSERT_EQ(::pipe(ends), 0);
  const auto ignored = std::signal(SIGPIPE, SIG_IGN);
  {
    RecordingFile pipe("/dev/fd/" + std::to_string(ends[1]));
    EXPECT_TRUE(pipe.writeLine("seed 1\n"));
    ::close(ends[0]);
    EXPECT_FALSE(pipe.writeLine("tick 64\n"));
    EXPECT_EQ(reasonFor(pipe.error()), "Broken pipe");
  }
  std::signal(SIGPIPE, ignored);
  ::close(ends[1]);
}

#endif

}  // namespace
}  // namespace zorbly::testing
