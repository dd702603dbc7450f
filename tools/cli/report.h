// What a command prints on success: a line for people, or with --json one
// JSON object a line for programs. Failures stay one line of text on
// standard error either way.
#pragma once
#include <ctime>
#include <string>
#include <utility>
#include <vector>

#include "cli/command.h"

namespace icbus::tool {

// A JSON object built field by field and written on one line.
class JsonObject {
 public:
  JsonObject& Add(const std::string& key, const std::string& text);
  JsonObject& Add(const std::string& key, const char* text) { return Add(key, std::string(text)); }
  JsonObject& Add(const std::string& key, long long number);
  JsonObject& Add(const std::string& key, int number) {
    return Add(key, static_cast<long long>(number));
  }
  JsonObject& Add(const std::string& key, bool value);
  // An amount of `decimals` places, written as the number it is: 12.50.
  JsonObject& AddAmount(const std::string& key, double amount, int decimals);
  // A value already written as JSON (an array, another object).
  JsonObject& AddRaw(const std::string& key, const std::string& json);
  std::string Text() const;

 private:
  std::vector<std::pair<std::string, std::string>> fields_;
};

// `text` as a JSON string: quotes, backslashes and control characters
// escaped; bytes that are not UTF-8 escaped as the characters U+0080-U+00FF,
// so a garbled reply still makes valid JSON.
std::string JsonString(const std::string& text);

// The array of `items`, each already JSON.
std::string JsonArray(const std::vector<std::string>& items);

// "12.5" for 12.5 with one decimal.
std::string FixedAmount(double amount, int decimals);

// "2005-01-15T09:30:00+08:00": the host's local time in ISO 8601, with
// seconds and the zone, so lines from sites in different zones compare.
std::string IsoLocalTime(const std::tm& time, int utc_offset_minutes);

// True when the command line asked for --json.
bool WantsJson(const Context& context);

// Prints `json` with --json, else `text` (both on a line of their own).
void Report(const Context& context, const std::string& text, const JsonObject& json);

// A confirmation that carries no data of its own: the line, or
// {"ok":true,"message":LINE} with --json.
void ReportDone(const Context& context, const std::string& text);

}  // namespace icbus::tool
