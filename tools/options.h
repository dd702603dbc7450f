// Option descriptions and the values a command line gave them.
#pragma once
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace icbus::tool {

// One "--name VALUE" option. Every option takes a value, except --help which
// the parser handles itself; a value is either an integer within a range or
// one of a fixed set of words.
struct OptionSpec {
  std::string name;        // without the leading dashes
  std::string value_name;  // shown in help, e.g. "N"
  std::string help;
  bool required = false;
  long long min = 0;  // integer range, when `choices` is empty
  long long max = 0;
  std::vector<std::string> choices;  // allowed words; empty for integers
};

OptionSpec IntegerOption(std::string name, std::string value_name, long long min, long long max,
                         bool required, std::string help);
OptionSpec ChoiceOption(std::string name, std::vector<std::string> choices, std::string help);

// Parses decimal digits with an optional leading minus; nothing else, no
// spaces, no "0x": a typo in a machine number must not reach a terminal.
std::optional<long long> ParseInteger(const std::string& text);

// Why `text` is no valid value for `spec`, or nothing when it is.
std::optional<std::string> CheckValue(const OptionSpec& spec, const std::string& text);

// Validated values by option name.
class OptionValues {
 public:
  void Set(const std::string& name, const std::string& text) { values_[name] = text; }
  bool Has(const std::string& name) const { return values_.count(name) != 0; }
  // The value as typed; empty when the option was not given.
  std::string Text(const std::string& name) const;
  // The integer value; `fallback` when the option was not given.
  long long Integer(const std::string& name, long long fallback = 0) const;
  std::optional<int> OptionalInt(const std::string& name) const;

 private:
  std::map<std::string, std::string> values_;
};

}  // namespace icbus::tool
