#include "cli_process.h"

#include <windows.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "library.h"

namespace icbus::wine {
namespace {

constexpr DWORD kLimitMillis = 60000;

std::string CliPath() {
  const char* path = std::getenv("ICBUS_CLI");
  return path && *path ? WindowsPath(path) : std::string();
}

std::string Quoted(const std::string& arg) {
  if (!arg.empty() && arg.find_first_of(" \t\"") == std::string::npos) return arg;
  std::string quoted = "\"";
  for (char c : arg) quoted += c == '"' ? std::string("\\\"") : std::string(1, c);
  return quoted + "\"";
}

// A file the child writes one of its streams into.
HANDLE Capture(const std::string& path) {
  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  return CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                     CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// The command line in UTF-16, so that Chinese arguments reach the program
// whatever the ANSI code page.
std::vector<wchar_t> Wide(const std::string& utf8) {
  int length = MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, nullptr, 0);
  std::vector<wchar_t> wide(static_cast<std::size_t>(length > 0 ? length : 1), L'\0');
  if (length > 0) MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, wide.data(), length);
  return wide;
}

std::string Contents(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace

std::string CliProblem() {
  std::string path = CliPath();
  if (path.empty()) return "ICBUS_CLI names no program";
  if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) return "no program at " + path;
  return "";
}

CliRun RunCli(const std::vector<std::string>& args) {
  CliRun run;
  char directory[MAX_PATH];
  if (!GetTempPathA(sizeof directory, directory)) return run;
  const std::string stem =
      std::string(directory) + "icbus-cli-" + std::to_string(GetCurrentProcessId());
  const std::string out_path = stem + ".out", err_path = stem + ".err";
  HANDLE out = Capture(out_path), err = Capture(err_path);
  std::string line = Quoted(CliPath());
  for (const std::string& arg : args) line += " " + Quoted(arg);

  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = out;
  startup.hStdError = err;
  PROCESS_INFORMATION process = {};
  std::vector<wchar_t> command = Wide(line);
  if (out != INVALID_HANDLE_VALUE && err != INVALID_HANDLE_VALUE &&
      CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                     &process)) {
    if (WaitForSingleObject(process.hProcess, kLimitMillis) == WAIT_OBJECT_0) {
      DWORD code = 0;
      if (GetExitCodeProcess(process.hProcess, &code)) run.code = static_cast<int>(code);
    } else {
      TerminateProcess(process.hProcess, 1);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
  if (out != INVALID_HANDLE_VALUE) CloseHandle(out);
  if (err != INVALID_HANDLE_VALUE) CloseHandle(err);
  run.out = Contents(out_path);
  run.err = Contents(err_path);
  DeleteFileA(out_path.c_str());
  DeleteFileA(err_path.c_str());
  return run;
}

}  // namespace icbus::wine
