// Option descriptions and the values a command line gave them.
#pragma once
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace icbus::tool {

// What an option's value may be. Every option takes a value except flags
// (and --help, which the parser handles itself).
enum class ValueKind {
  kInteger,      // a whole number within [min, max]
  kChoice,       // one of `choices`
  kText,         // a text checked by `text`, its length in bytes within [min, max]
  kAmount,       // yuan: a decimal number from 0 to `max_amount`, at most two decimals
  kFlag,         // present or absent, no value
  kIntegerList,  // whole numbers within [min, max]: "1,2,5-9"
};

// How a text option's characters are checked. Lengths count bytes; for the
// GBK kinds they count the bytes of the text converted to GBK, which is what
// reaches the terminal.
enum class TextCheck {
  kAny,      // anything; for texts that never reach a terminal, such as file names
  kDigits,   // decimal digits
  kHex,      // hexadecimal digits
  kGbk,      // any text GBK can represent, without "!" (the frame's end)
  kGbkWide,  // like kGbk, and every character double-byte (Chinese)
};

struct OptionSpec {
  std::string name;        // without the leading dashes
  std::string value_name;  // shown in help, e.g. "N"; empty for flags
  std::string help;
  ValueKind kind = ValueKind::kInteger;
  bool required = false;
  long long min = 0;  // kInteger: the range; kText: the length range
  long long max = 0;
  double max_amount = 0;             // kAmount
  std::vector<std::string> choices;  // kChoice
  TextCheck text = TextCheck::kGbk;  // kText
  std::string default_value;         // taken when the option is not given; empty: none
};

OptionSpec IntegerOption(std::string name, std::string value_name, long long min, long long max,
                         bool required, std::string help);
OptionSpec ChoiceOption(std::string name, std::vector<std::string> choices, std::string help);
OptionSpec TextOption(std::string name, std::string value_name, TextCheck check,
                      long long min_length, long long max_length, bool required, std::string help);
OptionSpec AmountOption(std::string name, double max_amount, bool required, std::string help);
OptionSpec FlagOption(std::string name, std::string help);
OptionSpec IntegerListOption(std::string name, std::string value_name, long long min, long long max,
                             bool required, std::string help);
// The same option, taken as `value` when not given (and shown so in help).
OptionSpec WithDefault(OptionSpec option, std::string value);

// Parses decimal digits with an optional leading minus; nothing else, no
// spaces, no "0x": a typo in a machine number must not reach a terminal.
std::optional<long long> ParseInteger(const std::string& text);

// Parses a list of whole numbers and ranges, "1,2,5-9", each within
// [min, max]; duplicates are dropped, the order kept.
std::optional<std::vector<int>> ParseIntegerList(const std::string& text, long long min,
                                                 long long max);

// Parses an amount in yuan: digits, optionally a point and one or two
// digits. No sign, no exponent, no spaces.
std::optional<double> ParseAmount(const std::string& text);

// Why `text` is no valid value for `option`, or nothing when it is.
std::optional<std::string> CheckValue(const OptionSpec& option, const std::string& text);

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
  // The numbers of a list option; empty when the option was not given.
  std::vector<int> IntegerList(const std::string& name) const;
  // The amount in yuan; 0 when the option was not given.
  double Amount(const std::string& name) const;
  // The text converted to GBK (texts are checked to convert when resolved).
  std::string Gbk(const std::string& name) const;

 private:
  std::map<std::string, std::string> values_;
};

}  // namespace icbus::tool
