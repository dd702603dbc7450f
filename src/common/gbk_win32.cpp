#include <windows.h>

#include <vector>

#include "common/gbk.h"

namespace icbus {
namespace {

// Windows' GBK code page.
constexpr UINT kGbkCodePage = 936;

}  // namespace

std::optional<std::string> Utf8ToGbk(const std::string& utf8) {
  if (utf8.empty()) return std::string();
  const int size = static_cast<int>(utf8.size());
  int wide_length =
      MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), size, nullptr, 0);
  if (wide_length <= 0) return std::nullopt;
  std::vector<wchar_t> wide(static_cast<std::size_t>(wide_length));
  MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), size, wide.data(), wide_length);
  // No best fit: a character GBK lacks must fail, not turn into a look-alike
  // or the default "?".
  BOOL used_default = FALSE;
  int length = WideCharToMultiByte(kGbkCodePage, WC_NO_BEST_FIT_CHARS, wide.data(), wide_length,
                                   nullptr, 0, nullptr, &used_default);
  if (length <= 0 || used_default) return std::nullopt;
  std::string gbk(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(kGbkCodePage, WC_NO_BEST_FIT_CHARS, wide.data(), wide_length, gbk.data(),
                      length, nullptr, &used_default);
  if (used_default) return std::nullopt;
  return gbk;
}

}  // namespace icbus
