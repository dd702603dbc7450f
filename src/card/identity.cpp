#include "card/identity.h"

#include <cstdio>
#include <cstring>

#include "card/course.h"
#include "card/layout.h"
#include "link/refusal.h"
#include "link/session.h"

namespace icbus::card {
namespace {

// WriteCardEx always writes the one-decimal positions, whatever the setting.
constexpr int kExMaxConsumeByte = 11;
constexpr std::size_t kExPasswordAt = 26;
constexpr char kAccountFill[] = "0000000000000";
constexpr std::size_t kMaxAccountChars = 34 - 13;

void Copy(const std::string& text, char* out) { std::memcpy(out, text.c_str(), text.size() + 1); }

bool IsHexText(const char* text) {
  for (const char* p = text; *p; ++p) {
    bool hex = (*p >= '0' && *p <= '9') || (*p >= 'A' && *p <= 'F') || (*p >= 'a' && *p <= 'f');
    if (!hex) return false;
  }
  return true;
}

Refusal BadCardNumber(const char* number) {
  return Refusal("the card number " + Quoted(number ? number : "") +
                 " is not decimal digits 0 to 1048575");
}

Refusal BadPassword(const char* password) {
  return Refusal("the card password " + Quoted(password ? password : "") +
                 " is not five decimal digits");
}

}  // namespace

int ReadCard(int port, int sector, int block, char* out) {
  if (!out)
    return Refuse(kTransferFailed, Refusal("no buffer for the card number (a null pointer)"));
  std::string text;
  int code = ReadOrBeep(port, sector, block, &text);
  if (code != kOk) return code;
  auto number = GetCardNumber(text);
  if (!number) {
    Sound(port, Beep::kFailure);
    return kBlockFailed;
  }
  char digits[16];
  std::snprintf(digits, sizeof digits, "%.6u", static_cast<unsigned>(*number));
  Copy(digits, out);
  Sound(port, Beep::kSuccess);
  return kOk;
}

int WriteCard(int port, int sector, int block, const char* number) {
  auto value = ParseCardNumber(number);
  if (!value) return RefuseValue(BadCardNumber(number));
  return ReadModifyWrite(port, sector, block, Beep::kSuccess, [&](const std::string& text) {
    return Edit::Write(SetCardNumber(text, *value));
  });
}

int WriteCardEx(int port, int sector, int block, const char* number, const char* password,
                double daily_limit) {
  auto value = ParseCardNumber(number);
  auto tenths = ScaledUnits(daily_limit, 10, false);
  if (!value) return RefuseValue(BadCardNumber(number));
  if (!IsPassword(password)) return RefuseValue(BadPassword(password));
  if (!tenths || *tenths > 0xFFFF) {
    return RefuseValue(Refusal("the daily limit is not 0 to 6553.5 yuan"));
  }
  return ReadModifyWrite(port, sector, block, Beep::kSuccess, [&](const std::string& text) {
    std::string changed = SetCardNumber(text, *value);
    changed = SetPassword(changed, kExPasswordAt, password);
    return Edit::Write(
        SetNumber(changed, kExMaxConsumeByte, 2, static_cast<std::uint32_t>(*tenths)));
  });
}

// The whole block is the account number followed by 13 zeros; the block is
// not read first.
int WriteCardAccountNo(int port, int sector, int block, const char* account) {
  if (!account || !IsHexText(account)) {
    return RefuseValue(Refusal("the account number is missing or not hexadecimal digits"));
  }
  if (std::strlen(account) > kMaxAccountChars) {
    return Refuse(kTransferFailed, Refusal("the account number has more than " +
                                           std::to_string(kMaxAccountChars) + " digits"));
  }
  return WriteAndBeep(port, sector, block, std::string(account) + kAccountFill);
}

// In the two-decimal layout the password lies in the parameter block and the
// write carries only the 18 characters up to it.
int WriteCardPass(int port, int sector, int block, const char* password) {
  if (!IsPassword(password)) return RefuseValue(BadPassword(password));
  const Layout layout = LayoutFor(TwoDecimals());
  return ReadModifyWrite(port, sector, block, Beep::kSuccess, [&](const std::string& text) {
    std::string changed = SetPassword(text, layout.password_at, password);
    return Edit::Write(changed.substr(0, layout.password_write_chars));
  });
}

int ReadCardPass(int port, int sector, int block, char* out) {
  if (!out) return Refuse(kTransferFailed, Refusal("no buffer for the password (a null pointer)"));
  if (Unnamable(sector, block)) return kTransferFailed;
  const Layout layout = LayoutFor(TwoDecimals());
  std::string text;
  int code = ReadCardBlock(port, sector, block, &text);
  auto password = code == kOk ? GetPassword(text, layout.password_at) : std::nullopt;
  if (code == kOk && !password) code = kBlockFailed;
  Sound(port, code == kOk ? Beep::kSuccess : Beep::kFailure);
  Copy(password.value_or(""), out);
  return code;
}

}  // namespace icbus::card
