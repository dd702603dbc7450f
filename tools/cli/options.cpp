#include "cli/options.h"

#include <charconv>
#include <cstdlib>
#include <limits>
#include <set>
#include <utility>

#include "commands/text_encoding.h"
#include "common/wire_text.h"

namespace icbus::tool {
namespace {

OptionSpec Named(std::string name, std::string value_name, ValueKind kind, bool required,
                 std::string help) {
  OptionSpec option;
  option.name = std::move(name);
  option.value_name = std::move(value_name);
  option.kind = kind;
  option.required = required;
  option.help = std::move(help);
  return option;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsHex(char c) { return IsDigit(c) || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); }

std::string LengthRange(const OptionSpec& option) {
  if (option.min == option.max) return std::to_string(option.max);
  if (option.min == 0) return "at most " + std::to_string(option.max);
  return std::to_string(option.min) + " to " + std::to_string(option.max);
}

// The text as typed, quoted, with control characters and bytes that are not
// UTF-8 shown as \xNN so that a message never passes them on raw.
std::string Shown(const std::string& text) { return "'" + PrintableUtf8(text) + "'"; }

// Texts that reach a terminal's display or the glyph cells: UTF-8 on the
// command line, no control character (a display would show it as garbage or
// act on it), no "!" (it ends a frame), and representable in GBK.
std::optional<std::string> CheckDisplayText(const OptionSpec& option, const std::string& text) {
  const std::string name = "--" + option.name;
  if (!IsUtf8(text)) {
    return name + " is not valid UTF-8: " + Shown(text) + "; give the text in UTF-8";
  }
  if (auto control = FirstControlCharacter(text)) {
    return name + " may not contain control characters (" + *control + "): " + Shown(text);
  }
  if (text.find('!') != std::string::npos) return name + " may not contain '!', which ends a frame";
  if (!Utf8ToGbk(text)) return name + " has characters GBK cannot represent: " + Shown(text);
  if (option.text == TextCheck::kGbkWide) {
    if (text.empty()) return name + " may not be empty: give at least one Chinese character";
    if (!AllChineseCharacters(text)) {
      return name + " takes Chinese characters only, not " + Shown(text);
    }
  }
  return std::nullopt;
}

std::optional<std::string> CheckText(const OptionSpec& option, const std::string& text) {
  const std::string quoted = Shown(text);
  std::string measured = text;
  switch (option.text) {
    case TextCheck::kAny:
      break;
    case TextCheck::kDigits:
    case TextCheck::kHex: {
      bool hex = option.text == TextCheck::kHex;
      for (char c : text) {
        if (!(hex ? IsHex(c) : IsDigit(c))) {
          return "--" + option.name + " takes " + (hex ? "hexadecimal " : "") +
                 "digits only, not " + quoted;
        }
      }
      break;
    }
    case TextCheck::kGbk:
    case TextCheck::kGbkWide:
      if (auto why = CheckDisplayText(option, text)) return why;
      measured = *Utf8ToGbk(text);
      break;
  }
  long long length = static_cast<long long>(measured.size());
  if (length < option.min || length > option.max) {
    bool digits = option.text == TextCheck::kDigits || option.text == TextCheck::kHex;
    bool gbk = option.text == TextCheck::kGbk || option.text == TextCheck::kGbkWide;
    std::string unit = digits ? " digit" : " byte";
    if (option.max != 1) unit += "s";
    if (gbk) unit += " in GBK";
    return "--" + option.name + " must have " + LengthRange(option) + unit + ", not " +
           std::to_string(length) + ": " + quoted;
  }
  return std::nullopt;
}

std::string AmountText(double amount) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f", amount);
  return text;
}

}  // namespace

OptionSpec IntegerOption(std::string name, std::string value_name, long long min, long long max,
                         bool required, std::string help) {
  OptionSpec option =
      Named(std::move(name), std::move(value_name), ValueKind::kInteger, required, std::move(help));
  option.min = min;
  option.max = max;
  return option;
}

OptionSpec ChoiceOption(std::string name, std::vector<std::string> choices, std::string help) {
  std::string value_name;
  for (const std::string& choice : choices) value_name += (value_name.empty() ? "" : "|") + choice;
  OptionSpec option =
      Named(std::move(name), std::move(value_name), ValueKind::kChoice, false, std::move(help));
  option.choices = std::move(choices);
  return option;
}

OptionSpec TextOption(std::string name, std::string value_name, TextCheck check,
                      long long min_length, long long max_length, bool required, std::string help) {
  OptionSpec option =
      Named(std::move(name), std::move(value_name), ValueKind::kText, required, std::move(help));
  option.text = check;
  option.min = min_length;
  option.max = max_length;
  return option;
}

OptionSpec AmountOption(std::string name, double max_amount, bool required, std::string help) {
  OptionSpec option = Named(std::move(name), "YUAN", ValueKind::kAmount, required, std::move(help));
  option.max_amount = max_amount;
  return option;
}

OptionSpec FlagOption(std::string name, std::string help) {
  return Named(std::move(name), "", ValueKind::kFlag, false, std::move(help));
}

OptionSpec IntegerListOption(std::string name, std::string value_name, long long min, long long max,
                             bool required, std::string help) {
  OptionSpec option =
      IntegerOption(std::move(name), std::move(value_name), min, max, required, std::move(help));
  option.kind = ValueKind::kIntegerList;
  return option;
}

OptionSpec WithDefault(OptionSpec option, std::string value) {
  option.required = false;
  option.default_value = std::move(value);
  return option;
}

std::optional<long long> ParseInteger(const std::string& text) {
  const char* first = text.data();
  const char* last = text.data() + text.size();
  // from_chars accepts a minus but not a plus; both reject spaces and prefixes.
  if (first == last || (*first != '-' && !IsDigit(*first))) return std::nullopt;
  long long value = 0;
  auto [end, error] = std::from_chars(first, last, value);
  if (error != std::errc() || end != last) return std::nullopt;
  return value;
}

std::optional<std::vector<int>> ParseIntegerList(const std::string& text, long long min,
                                                 long long max) {
  std::vector<int> numbers;
  std::set<int> seen;
  std::size_t from = 0;
  while (from <= text.size()) {
    std::size_t comma = text.find(',', from);
    std::string item = text.substr(from, comma == std::string::npos ? comma : comma - from);
    std::size_t dash = item.find('-', 1);
    std::optional<long long> first = ParseInteger(item.substr(0, dash));
    std::optional<long long> last =
        dash == std::string::npos ? first : ParseInteger(item.substr(dash + 1));
    if (!first || !last || *first < min || *last > max || *first > *last) return std::nullopt;
    for (long long n = *first; n <= *last; ++n) {
      if (seen.insert(static_cast<int>(n)).second) numbers.push_back(static_cast<int>(n));
    }
    if (comma == std::string::npos) break;
    from = comma + 1;
  }
  return numbers;
}

std::optional<double> ParseAmount(const std::string& text) {
  size_t point = text.find('.');
  std::string whole = text.substr(0, point);
  std::string fraction = point == std::string::npos ? "" : text.substr(point + 1);
  auto digits = [](const std::string& part) {
    for (char c : part) {
      if (!IsDigit(c)) return false;
    }
    return true;
  };
  if (whole.empty() || whole.size() > 9 || !digits(whole) || !digits(fraction)) return std::nullopt;
  if (point != std::string::npos && (fraction.empty() || fraction.size() > 2)) return std::nullopt;
  // strtod reads what the user typed the way any C host would pass it.
  return std::strtod(text.c_str(), nullptr);
}

std::optional<std::string> CheckValue(const OptionSpec& option, const std::string& text) {
  switch (option.kind) {
    case ValueKind::kChoice: {
      std::string allowed;
      for (const std::string& choice : option.choices) {
        if (text == choice) return std::nullopt;
        allowed += (allowed.empty() ? "" : "|") + choice;
      }
      return "--" + option.name + " must be " + allowed + ", not " + Shown(text);
    }
    case ValueKind::kText:
      return CheckText(option, text);
    case ValueKind::kAmount: {
      std::optional<double> amount = ParseAmount(text);
      if (!amount) {
        return "--" + option.name + " needs an amount in yuan such as 12.5, not " + Shown(text);
      }
      if (*amount > option.max_amount) {
        return "--" + option.name + " must be at most " + AmountText(option.max_amount) + ", not " +
               text;
      }
      return std::nullopt;
    }
    case ValueKind::kFlag:
      return "--" + option.name + " takes no value";
    case ValueKind::kIntegerList:
      if (ParseIntegerList(text, option.min, option.max)) return std::nullopt;
      return "--" + option.name + " needs numbers from " + std::to_string(option.min) + " to " +
             std::to_string(option.max) + " such as 1,3 or 1-5, not " + Shown(text);
    case ValueKind::kInteger:
      break;
  }
  std::optional<long long> value = ParseInteger(text);
  if (!value) return "--" + option.name + " needs a whole number, not " + Shown(text);
  if (*value < option.min || *value > option.max) {
    return "--" + option.name + " must be between " + std::to_string(option.min) + " and " +
           std::to_string(option.max) + ", not " + text;
  }
  return std::nullopt;
}

std::string OptionValues::Text(const std::string& name) const {
  auto it = values_.find(name);
  return it == values_.end() ? std::string() : it->second;
}

long long OptionValues::Integer(const std::string& name, long long fallback) const {
  auto it = values_.find(name);
  if (it == values_.end()) return fallback;
  return ParseInteger(it->second).value_or(fallback);
}

std::optional<int> OptionValues::OptionalInt(const std::string& name) const {
  if (!Has(name)) return std::nullopt;
  return static_cast<int>(Integer(name));
}

std::vector<int> OptionValues::IntegerList(const std::string& name) const {
  if (!Has(name)) return {};
  long long lowest = std::numeric_limits<int>::min(), highest = std::numeric_limits<int>::max();
  return ParseIntegerList(Text(name), lowest, highest).value_or(std::vector<int>());
}

double OptionValues::Amount(const std::string& name) const {
  return ParseAmount(Text(name)).value_or(0.0);
}

std::string OptionValues::Gbk(const std::string& name) const {
  return Utf8ToGbk(Text(name)).value_or(std::string());
}

}  // namespace icbus::tool
