#pragma once
// The command line of both programs, read by CLI11 and explained in Zorbly's
// own words: every mistake is one short line ("--seed needs a value N",
// "unknown option '--bogus'"), and --help and --version are taken only once
// the whole line has been read, so `--help --bogus` fails as `--version
// --bogus` does.

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace CLI {
class App;
}

namespace zorbly {

class CommandLine {
 public:
  // `program` as the user types it ("zorbly-headless"), and what it does.
  CommandLine(std::string program, const std::string& description);
  ~CommandLine();

  // An option with one value: option("--seed", "N", "Seed the random source").
  void option(const std::string& name, const std::string& valueName, const std::string& help);
  // An option with no value: --stats.
  void flag(const std::string& name, const std::string& help);

  // Reads the arguments (argv without the program name); the reason they
  // are wrong, or nothing.
  std::optional<std::string> parse(std::vector<std::string> args);

  // The value given for an option, or nothing when it was not given.
  std::optional<std::string> value(const std::string& name) const;
  bool given(const std::string& name) const;

  std::string help() const;
  const std::string& program() const { return program_; }

 private:
  std::string program_;
  std::unique_ptr<CLI::App> app_;
  std::map<std::string, std::vector<std::string>> values_;
  std::map<std::string, std::string> valueNames_;
  std::map<std::string, bool> flags_;
};

}  // namespace zorbly
