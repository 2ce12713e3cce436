#pragma once
// The command line of both programs, read by CLI11 and explained in Zorbly's
// own words: every mistake is one short line ("--seed needs a value N",
// "unknown option '--bogus'"), and --help and --version are taken only once
// the whole line has been read, so `--help --bogus` fails as `--version
// --bogus` does.

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace CLI {
class App;
}

namespace zorbly {

// A mistake on the command line: what() is the reason, in our words
// ("--scale: the scale must be a whole number from 1 to 16, not '0'").
struct OptionError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

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
  // The whole number given for an option, within [low, high]; `what` names
  // it in the message. Nothing when it was not given; OptionError when it is
  // not such a number.
  std::optional<std::uint64_t> number(const std::string& name, std::string_view what, std::uint64_t low,
                                      std::uint64_t high) const;
  // --seed N, read as the script's `seed N` is.
  std::optional<std::uint64_t> seed() const;

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
