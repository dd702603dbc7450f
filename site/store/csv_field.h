#pragma once

#include <string>

namespace icbus::site {

// A CSV field as every export of the store writes it: quoted when it holds a
// comma, a quote or a line end, its quotes doubled.
inline std::string CsvField(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string quoted = "\"";
  for (char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
  return quoted + "\"";
}

}  // namespace icbus::site
