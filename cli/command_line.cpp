#include "cli/command_line.h"

#include <CLI/CLI.hpp>

#include <variant>

#include "session/messages.h"
#include "session/script.h"

namespace zorbly {

CommandLine::CommandLine(std::string program, const std::string& description)
    : program_(std::move(program)), app_(std::make_unique<CLI::App>(description, program_)) {
  // Our own --help, taken after the whole line has been checked; arguments
  // the line does not know are kept, to be named in our words.
  app_->set_help_flag();
  app_->allow_extras();
  // CLI11 reads "/tmp/x" as an option on Windows; a file name is a file
  // name there too.
  app_->allow_windows_style_options(false);
  flag("--help", "Print this help and exit");
}

CommandLine::~CommandLine() = default;

void CommandLine::option(const std::string& name, const std::string& valueName, const std::string& help) {
  valueNames_[name] = valueName;
  // Up to one value each time, every time kept: a missing or repeated value
  // is then ours to explain.
  app_->add_option(name, values_[name], help)
      ->type_name(valueName)
      ->expected(0, 1)
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
}

void CommandLine::flag(const std::string& name, const std::string& help) {
  app_->add_flag(name, flags_[name], help);
}

std::optional<std::string> CommandLine::parse(std::vector<std::string> args) {
  for (const std::string& arg : args) {
    const auto equals = arg.find('=');
    if (!arg.starts_with("--") || equals == std::string::npos) continue;
    const std::string name = arg.substr(0, equals);
    // CLI11 would take the next argument as the value of `--seed=`, and
    // read `--stats=yes` as a count.
    if (flags_.contains(name)) return name + " takes no value";
    if (equals + 1 == arg.size() && valueNames_.contains(name)) return name + " needs a value " + valueNames_[name];
  }
  std::reverse(args.begin(), args.end());  // CLI11 takes them from the back
  try {
    app_->parse(args);
  } catch (const CLI::ParseError&) {
    return "the command line cannot be read";  // not seen: every mistake above is ours to name
  }
  if (auto extra = app_->remaining(); !extra.empty()) {
    const std::string& first = extra.front();
    if (first.starts_with("-")) return "unknown option " + quote(first);
    return "unexpected argument " + quote(first);
  }
  for (const auto& [name, values] : values_) {
    if (values.size() > 1) return name + " takes one value " + valueNames_[name] + ", and is given once";
    if (values.size() == 1 && values.front().empty()) return name + " needs a value " + valueNames_[name];
  }
  return std::nullopt;
}

std::optional<std::string> CommandLine::value(const std::string& name) const {
  auto it = values_.find(name);
  if (it == values_.end() || it->second.empty()) return std::nullopt;
  return it->second.front();
}

bool CommandLine::given(const std::string& name) const {
  auto it = flags_.find(name);
  return it != flags_.end() && it->second;
}

namespace {

std::optional<std::uint64_t> checked(const std::string& name, std::variant<std::uint64_t, BadLine> n) {
  if (auto* bad = std::get_if<BadLine>(&n)) throw OptionError(name + ": " + bad->reason);
  return std::get<std::uint64_t>(n);
}

}  // namespace

std::optional<std::uint64_t> CommandLine::number(const std::string& name, std::string_view what,
                                                 std::uint64_t low, std::uint64_t high) const {
  const auto text = value(name);
  if (!text) return std::nullopt;
  return checked(name, parseNumber(*text, what, low, high));
}

std::optional<std::uint64_t> CommandLine::seed() const {
  const auto text = value("--seed");
  if (!text) return std::nullopt;
  return checked("--seed", parseSeed(*text));
}

std::string CommandLine::help() const { return app_->help(); }

}  // namespace zorbly
