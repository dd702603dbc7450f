// The console's text rules: trimming, the strict number conversions (whose
// failure the console reports and then sends nothing), the leading-number
// rule of the top-up button, and the display formats of amounts.
#pragma once
#include <optional>
#include <string>

namespace icbus::demo {

// Spaces and control characters removed at both ends.
std::string Trim(const std::string& text);
// Characters (UTF-8 code points) in a text.
int Length(const std::string& text);

// The trimmed text as an optionally signed decimal integer that fits an int.
std::optional<int> StrictInteger(const std::string& text);
// The trimmed text as a decimal number: sign, digits with an optional
// fraction ("." whatever the locale) and an optional exponent.
std::optional<double> StrictDecimal(const std::string& text);
// The longest leading part of the trimmed text that forms a decimal number;
// 0 when there is none. Never fails.
double LeadingNumber(const std::string& text);

// The messages of a failed strict conversion; they name the text.
std::string NotAnInteger(const std::string& text);
std::string NotADecimal(const std::string& text);

// At least `integer_digits` integer digits with leading zeros and exactly two
// decimals, rounded: "0000.00" (4) and "000.00" (3).
std::string ZeroPattern(double value, int integer_digits);
// printf's "%07.2f".
std::string Fixed7(double value);
// printf's "%.6d": at least six digits with leading zeros.
std::string SixDigits(long long value);
// The general floating-point text: up to 15 significant digits, no trailing
// zeros.
std::string GeneralNumber(double value);

}  // namespace icbus::demo
