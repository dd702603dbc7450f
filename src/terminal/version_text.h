// What the library says about its version, in UTF-8 and in UTF-16.
#pragma once

namespace icbus::terminal {

// "动态库版本V4.30" (library version V4.30).
inline constexpr char kVersionText[] = u8"\u52a8\u6001\u5e93\u7248\u672cV4.30";
inline constexpr wchar_t kVersionTextWide[] = L"\u52a8\u6001\u5e93\u7248\u672cV4.30";
inline constexpr char kVersionTitle[] = "Version Info";
inline constexpr wchar_t kVersionTitleWide[] = L"Version Info";

}  // namespace icbus::terminal
