#include "options.h"

#include <charconv>
#include <utility>

namespace icbus::tool {

OptionSpec IntegerOption(std::string name, std::string value_name, long long min, long long max,
                         bool required, std::string help) {
  OptionSpec spec;
  spec.name = std::move(name);
  spec.value_name = std::move(value_name);
  spec.help = std::move(help);
  spec.required = required;
  spec.min = min;
  spec.max = max;
  return spec;
}

OptionSpec ChoiceOption(std::string name, std::vector<std::string> choices, std::string help) {
  OptionSpec spec;
  spec.name = std::move(name);
  for (const std::string& choice : choices) {
    spec.value_name += (spec.value_name.empty() ? "" : "|") + choice;
  }
  spec.choices = std::move(choices);
  spec.help = std::move(help);
  return spec;
}

std::optional<long long> ParseInteger(const std::string& text) {
  const char* first = text.data();
  const char* last = text.data() + text.size();
  // from_chars accepts a minus but not a plus; both reject spaces and prefixes.
  if (first == last || (*first != '-' && (*first < '0' || *first > '9'))) return std::nullopt;
  long long value = 0;
  auto [end, error] = std::from_chars(first, last, value);
  if (error != std::errc() || end != last) return std::nullopt;
  return value;
}

std::optional<std::string> CheckValue(const OptionSpec& spec, const std::string& text) {
  if (!spec.choices.empty()) {
    for (const std::string& choice : spec.choices) {
      if (text == choice) return std::nullopt;
    }
    return "--" + spec.name + " must be " + spec.value_name + ", not '" + text + "'";
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

}  // namespace icbus::tool
