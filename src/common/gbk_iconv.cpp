#include <iconv.h>

#include <cerrno>
#include <vector>

#include "common/gbk.h"

namespace icbus {

std::optional<std::string> Utf8ToGbk(const std::string& utf8) {
  iconv_t converter = ::iconv_open("GBK", "UTF-8");
  if (converter == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  // A GBK character never takes more bytes than its UTF-8 form.
  std::vector<char> input(utf8.begin(), utf8.end());
  std::vector<char> output(utf8.size() + 1);
  char* in = input.data();
  size_t in_left = input.size();
  char* out = output.data();
  size_t out_left = output.size();
  size_t converted = ::iconv(converter, &in, &in_left, &out, &out_left);
  // Flush any shift state; GBK has none, but iconv wants the call.
  if (converted != static_cast<size_t>(-1))
    converted = ::iconv(converter, nullptr, nullptr, &out, &out_left);
  ::iconv_close(converter);
  if (converted == static_cast<size_t>(-1) || in_left != 0) return std::nullopt;
  return std::string(output.data(), output.size() - out_left);
}

}  // namespace icbus
