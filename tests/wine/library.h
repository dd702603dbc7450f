// icbus.dll as a host sees it: loaded at run time, entry points found by
// name or ordinal and called through plain pointers.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "call_args.h"

namespace icbus::wine {

// A Unix path (as the test driver passes it) in the form Windows calls take:
// Wine maps the Unix root to drive Z:. Other paths are returned as given.
std::string WindowsPath(const std::string& path);

struct ExportEntry {
  std::string name;
  int ordinal = 0;
};

class Library {
 public:
  // The DLL named by ICBUS_DLL, else "icbus.dll" on the search path; loaded
  // once for the whole run.
  static Library& Get();

  HMODULE module() const { return module_; }
  const std::string& error() const { return error_; }
  const void* ByName(const char* name) const;
  const void* ByOrdinal(int ordinal) const;

  // The named entries of the export directory, and its ordinal range.
  std::vector<ExportEntry> NamedExports() const;
  int OrdinalBase() const;
  int FunctionCount() const;

  // Calls the export `name`. Records a test failure when it is missing (or,
  // on 32-bit, leaves the stack unbalanced). The int result:
  std::int32_t Call(const char* name, const Args& args) const;
  // The one-byte truth value of the boolean link exports.
  std::uint8_t CallBool(const char* name, const Args& args) const {
    return static_cast<std::uint8_t>(Call(name, args) & 0xFF);
  }
  // The result of an export that returns a double.
  double CallReal(const char* name, const Args& args) const;

 private:
  Library();
  const IMAGE_EXPORT_DIRECTORY* Directory() const;
  const void* Find(const char* name) const;

  HMODULE module_ = nullptr;
  std::string error_;
};

}  // namespace icbus::wine
