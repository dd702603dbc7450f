#include <windows.h>

#include <vector>

#include "demo/gbk.h"

namespace icbus::demo {

std::optional<std::string> GbkFromUtf8(const std::string& utf8) {
  if (utf8.empty()) return std::string();
  constexpr UINT kGbk = 936;
  int wide_length = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(),
                                        static_cast<int>(utf8.size()), nullptr, 0);
  if (wide_length <= 0) return std::nullopt;
  std::vector<wchar_t> wide(wide_length);
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(),
                      wide_length);
  BOOL lossy = FALSE;
  int length = WideCharToMultiByte(kGbk, 0, wide.data(), wide_length, nullptr, 0, nullptr, &lossy);
  if (length <= 0 || lossy) return std::nullopt;
  std::string gbk(length, '\0');
  WideCharToMultiByte(kGbk, 0, wide.data(), wide_length, gbk.data(), length, nullptr, nullptr);
  return gbk;
}

}  // namespace icbus::demo
