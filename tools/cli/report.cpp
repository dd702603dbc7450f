#include "cli/report.h"

#include <cstdio>

namespace icbus::tool {
namespace {

// The length of the UTF-8 sequence starting at `at`, or 0 when the bytes
// there are not one.
std::size_t Utf8Length(const std::string& text, std::size_t at) {
  auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  unsigned char lead = byte(at);
  std::size_t length = lead >= 0xF0 && lead <= 0xF4   ? 4
                       : lead >= 0xE0                 ? 3
                       : lead >= 0xC2 && lead <= 0xDF ? 2
                                                      : 0;
  if (lead >= 0xF5) length = 0;
  if (length == 0 || at + length > text.size()) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    if ((byte(at + i) & 0xC0) != 0x80) return 0;
  }
  return length;
}

std::string Escaped(unsigned code) {
  char text[8];
  std::snprintf(text, sizeof text, "\\u%04x", code);
  return text;
}

}  // namespace

JsonObject& JsonObject::Add(const std::string& key, const std::string& text) {
  return AddRaw(key, JsonString(text));
}

JsonObject& JsonObject::Add(const std::string& key, long long number) {
  return AddRaw(key, std::to_string(number));
}

JsonObject& JsonObject::Add(const std::string& key, bool value) {
  return AddRaw(key, value ? "true" : "false");
}

JsonObject& JsonObject::AddAmount(const std::string& key, double amount, int decimals) {
  return AddRaw(key, FixedAmount(amount, decimals));
}

JsonObject& JsonObject::AddRaw(const std::string& key, const std::string& json) {
  fields_.emplace_back(key, json);
  return *this;
}

std::string JsonObject::Text() const {
  std::string text = "{";
  for (const auto& [key, value] : fields_) {
    text += (text.size() > 1 ? "," : "") + JsonString(key) + ":" + value;
  }
  return text + "}";
}

std::string JsonString(const std::string& text) {
  std::string json = "\"";
  for (std::size_t i = 0; i < text.size();) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if (c == '"' || c == '\\') {
      json += '\\';
      json += static_cast<char>(c);
    } else if (c < 0x20 || c == 0x7F) {
      json += Escaped(c);
    } else if (c >= 0x80) {
      std::size_t length = Utf8Length(text, i);
      if (length == 0) {
        json += Escaped(c);
        ++i;
        continue;
      }
      json += text.substr(i, length);
      i += length;
      continue;
    } else {
      json += static_cast<char>(c);
    }
    ++i;
  }
  return json + "\"";
}

std::string JsonArray(const std::vector<std::string>& items) {
  std::string text = "[";
  for (const std::string& item : items) text += (text.size() > 1 ? "," : "") + item;
  return text + "]";
}

std::string FixedAmount(double amount, int decimals) {
  char text[48];
  std::snprintf(text, sizeof text, "%.*f", decimals, amount);
  return text;
}

std::string IsoLocalTime(const std::tm& t, int utc_offset_minutes) {
  const int offset = utc_offset_minutes < 0 ? -utc_offset_minutes : utc_offset_minutes;
  char text[48];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d%c%02d:%02d",
                (t.tm_year + 1900) % 10000, (t.tm_mon + 1) % 100, t.tm_mday % 100, t.tm_hour % 100,
                t.tm_min % 100, t.tm_sec % 100, utc_offset_minutes < 0 ? '-' : '+',
                (offset / 60) % 100, offset % 60);
  return text;
}

bool WantsJson(const Context& context) { return context.options.Has("json"); }

void Report(const Context& context, const std::string& text, const JsonObject& json) {
  context.out << (WantsJson(context) ? json.Text() : text) << "\n";
}

void ReportDone(const Context& context, const std::string& text) {
  Report(context, text, JsonObject().Add("ok", true).Add("message", text));
}

}  // namespace icbus::tool
