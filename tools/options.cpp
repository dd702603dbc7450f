#include "options.h"

#include <charconv>
#include <cstdlib>
#include <utility>

#include "text_encoding.h"

namespace icbus::tool {
namespace {

OptionSpec Named(std::string name, std::string value_name, ValueKind kind, bool required,
                 std::string help) {
  OptionSpec spec;
  spec.name = std::move(name);
  spec.value_name = std::move(value_name);
  spec.kind = kind;
  spec.required = required;
  spec.help = std::move(help);
  return spec;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsHex(char c) { return IsDigit(c) || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); }

std::string LengthRange(const OptionSpec& spec) {
  if (spec.min == spec.max) return std::to_string(spec.max);
  if (spec.min == 0) return "at most " + std::to_string(spec.max);
  return std::to_string(spec.min) + " to " + std::to_string(spec.max);
}

std::optional<std::string> CheckText(const OptionSpec& spec, const std::string& text) {
  const std::string quoted = "'" + text + "'";
  std::string measured = text;
  switch (spec.text) {
    case TextCheck::kAny:
      break;
    case TextCheck::kDigits:
    case TextCheck::kHex: {
      bool hex = spec.text == TextCheck::kHex;
      for (char c : text) {
        if (!(hex ? IsHex(c) : IsDigit(c))) {
          return "--" + spec.name + " takes " + (hex ? "hexadecimal " : "") + "digits only, not " +
                 quoted;
        }
      }
      break;
    }
    case TextCheck::kGbk:
    case TextCheck::kGbkWide: {
      if (text.find('!') != std::string::npos) {
        return "--" + spec.name + " may not contain '!', which ends a frame";
      }
      std::optional<std::string> gbk = Utf8ToGbk(text);
      if (!gbk) return "--" + spec.name + " has characters GBK cannot represent: " + quoted;
      if (spec.text == TextCheck::kGbkWide && !AllDoubleByte(*gbk)) {
        return "--" + spec.name + " takes Chinese characters only, not " + quoted;
      }
      measured = *gbk;
      break;
    }
  }
  long long length = static_cast<long long>(measured.size());
  if (length < spec.min || length > spec.max) {
    bool digits = spec.text == TextCheck::kDigits || spec.text == TextCheck::kHex;
    bool gbk = spec.text == TextCheck::kGbk || spec.text == TextCheck::kGbkWide;
    std::string unit = digits ? " digit" : " byte";
    if (spec.max != 1) unit += "s";
    if (gbk) unit += " in GBK";
    return "--" + spec.name + " must have " + LengthRange(spec) + unit + ", not " +
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
  OptionSpec spec =
      Named(std::move(name), std::move(value_name), ValueKind::kInteger, required, std::move(help));
  spec.min = min;
  spec.max = max;
  return spec;
}

OptionSpec ChoiceOption(std::string name, std::vector<std::string> choices, std::string help) {
  std::string value_name;
  for (const std::string& choice : choices) value_name += (value_name.empty() ? "" : "|") + choice;
  OptionSpec spec =
      Named(std::move(name), std::move(value_name), ValueKind::kChoice, false, std::move(help));
  spec.choices = std::move(choices);
  return spec;
}

OptionSpec TextOption(std::string name, std::string value_name, TextCheck check,
                      long long min_length, long long max_length, bool required, std::string help) {
  OptionSpec spec =
      Named(std::move(name), std::move(value_name), ValueKind::kText, required, std::move(help));
  spec.text = check;
  spec.min = min_length;
  spec.max = max_length;
  return spec;
}

OptionSpec AmountOption(std::string name, double max_amount, bool required, std::string help) {
  OptionSpec spec = Named(std::move(name), "YUAN", ValueKind::kAmount, required, std::move(help));
  spec.max_amount = max_amount;
  return spec;
}

OptionSpec FlagOption(std::string name, std::string help) {
  return Named(std::move(name), "", ValueKind::kFlag, false, std::move(help));
}

OptionSpec WithDefault(OptionSpec spec, std::string value) {
  spec.required = false;
  spec.default_value = std::move(value);
  return spec;
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

std::optional<std::string> CheckValue(const OptionSpec& spec, const std::string& text) {
  switch (spec.kind) {
    case ValueKind::kChoice: {
      std::string allowed;
      for (const std::string& choice : spec.choices) {
        if (text == choice) return std::nullopt;
        allowed += (allowed.empty() ? "" : "|") + choice;
      }
      return "--" + spec.name + " must be " + allowed + ", not '" + text + "'";
    }
    case ValueKind::kText:
      return CheckText(spec, text);
    case ValueKind::kAmount: {
      std::optional<double> amount = ParseAmount(text);
      if (!amount) {
        return "--" + spec.name + " needs an amount in yuan such as 12.5, not '" + text + "'";
      }
      if (*amount > spec.max_amount) {
        return "--" + spec.name + " must be at most " + AmountText(spec.max_amount) + ", not " +
               text;
      }
      return std::nullopt;
    }
    case ValueKind::kFlag:
      return "--" + spec.name + " takes no value";
    case ValueKind::kInteger:
      break;
  }
  std::optional<long long> value = ParseInteger(text);
  if (!value) return "--" + spec.name + " needs a whole number, not '" + text + "'";
  if (*value < spec.min || *value > spec.max) {
    return "--" + spec.name + " must be between " + std::to_string(spec.min) + " and " +
           std::to_string(spec.max) + ", not " + text;
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

double OptionValues::Amount(const std::string& name) const {
  return ParseAmount(Text(name)).value_or(0.0);
}

std::string OptionValues::Gbk(const std::string& name) const {
  return Utf8ToGbk(Text(name)).value_or(std::string());
}

}  // namespace icbus::tool
