#include "demo/convert.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace icbus::demo {
namespace {

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::size_t Digits(const std::string& s, std::size_t i) {
  while (i < s.size() && IsDigit(s[i])) ++i;
  return i;
}

// Length of the longest prefix of `s` that forms a decimal number, 0 if none.
std::size_t NumberPrefix(const std::string& s) {
  std::size_t i = 0;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
  std::size_t int_end = Digits(s, i);
  bool digits = int_end > i;
  i = int_end;
  if (i < s.size() && s[i] == '.') {
    std::size_t frac_end = Digits(s, i + 1);
    if (frac_end > i + 1 || digits) {
      digits = digits || frac_end > i + 1;
      i = frac_end;
    }
  }
  if (!digits) return 0;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    std::size_t j = i + 1;
    if (j < s.size() && (s[j] == '+' || s[j] == '-')) ++j;
    std::size_t exp_end = Digits(s, j);
    if (exp_end > j) i = exp_end;
  }
  return i;
}

// strtod reads the C locale's separator, which the library never changes.
double ParsePrefix(const std::string& s, std::size_t length) {
  return std::strtod(s.substr(0, length).c_str(), nullptr);
}

}  // namespace

std::string Trim(const std::string& text) {
  std::size_t begin = 0, end = text.size();
  while (begin < end && IsBlank(text[begin])) ++begin;
  while (end > begin && IsBlank(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

int Length(const std::string& text) {
  int count = 0;
  for (char c : text) {
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++count;
  }
  return count;
}

std::optional<int> StrictInteger(const std::string& text) {
  std::string t = Trim(text);
  std::size_t i = (!t.empty() && (t[0] == '+' || t[0] == '-')) ? 1 : 0;
  if (i == t.size() || Digits(t, i) != t.size()) return std::nullopt;
  errno = 0;
  long long value = std::strtoll(t.c_str(), nullptr, 10);
  if (errno == ERANGE || value < INT_MIN || value > INT_MAX) return std::nullopt;
  return static_cast<int>(value);
}

std::optional<double> StrictDecimal(const std::string& text) {
  std::string t = Trim(text);
  std::size_t length = NumberPrefix(t);
  if (length == 0 || length != t.size()) return std::nullopt;
  double value = ParsePrefix(t, length);
  if (!std::isfinite(value)) return std::nullopt;
  return value;
}

double LeadingNumber(const std::string& text) {
  std::string t = Trim(text);
  std::size_t length = NumberPrefix(t);
  if (length == 0) return 0;
  double value = ParsePrefix(t, length);
  return std::isfinite(value) ? value : 0;
}

std::string NotAnInteger(const std::string& text) { return "'" + text + "'不是有效的整数值!"; }

std::string NotADecimal(const std::string& text) { return "'" + text + "'不是有效的浮点数值!"; }

std::string ZeroPattern(double value, int integer_digits) {
  char buffer[64];
  // Width = integer digits + point + two decimals, plus the sign if any.
  int width = integer_digits + 3 + (value < 0 ? 1 : 0);
  std::snprintf(buffer, sizeof buffer, "%0*.2f", width, value);
  return buffer;
}

std::string Fixed7(double value) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%07.2f", value);
  return buffer;
}

std::string SixDigits(long long value) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.6lld", value);
  return buffer;
}

std::string GeneralNumber(double value) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.15g", value);
  return buffer;
}

}  // namespace icbus::demo
