#include <fcntl.h>
#include <io.h>
#include <shellapi.h>
#include <stdio.h>
#include <windows.h>

#include "host/command_line_args.h"

namespace icbus::tool {
namespace {

std::string Utf8(const wchar_t* wide) {
  int length = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
  if (length <= 1) return std::string();
  std::string text(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide, -1, text.data(), length, nullptr, nullptr);
  text.resize(static_cast<std::size_t>(length - 1));
  return text;
}

}  // namespace

std::vector<std::string> ProgramArguments(int argc, char** argv) {
  int count = 0;
  LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!wide) return std::vector<std::string>(argv + 1, argv + argc);
  std::vector<std::string> args;
  for (int i = 1; i < count; ++i) args.push_back(Utf8(wide[i]));
  LocalFree(wide);
  return args;
}

void PrepareStandardStreams() {
  // The tool writes UTF-8; a console shows it as such.
  SetConsoleOutputCP(CP_UTF8);
  // Binary: the record lines carry their own CR LF.
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
}

}  // namespace icbus::tool
