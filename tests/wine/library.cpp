#include "library.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "native_call.h"

namespace icbus::wine {

std::string WindowsPath(const std::string& path) {
  if (path.empty() || path[0] != '/') return path;
  std::string windows = "Z:" + path;
  for (char& c : windows) {
    if (c == '/') c = '\\';
  }
  return windows;
}

Library& Library::Get() {
  static Library library;
  return library;
}

Library::Library() {
  const char* configured = std::getenv("ICBUS_DLL");
  std::string path = configured && *configured ? WindowsPath(configured) : "icbus.dll";
  module_ = LoadLibraryA(path.c_str());
  if (!module_) error_ = path + ": LoadLibrary error " + std::to_string(GetLastError());
}

const void* Library::ByName(const char* name) const {
  if (!module_) return nullptr;
  return reinterpret_cast<const void*>(GetProcAddress(module_, name));
}

const void* Library::ByOrdinal(int ordinal) const {
  if (!module_) return nullptr;
  return reinterpret_cast<const void*>(
      GetProcAddress(module_, MAKEINTRESOURCEA(static_cast<WORD>(ordinal))));
}

const IMAGE_EXPORT_DIRECTORY* Library::Directory() const {
  if (!module_) return nullptr;
  auto base = reinterpret_cast<const unsigned char*>(module_);
  auto dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  auto nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& entry =
      nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
  if (entry.VirtualAddress == 0) return nullptr;
  return reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + entry.VirtualAddress);
}

std::vector<ExportEntry> Library::NamedExports() const {
  std::vector<ExportEntry> entries;
  const IMAGE_EXPORT_DIRECTORY* directory = Directory();
  if (!directory) return entries;
  auto base = reinterpret_cast<const unsigned char*>(module_);
  auto names = reinterpret_cast<const DWORD*>(base + directory->AddressOfNames);
  auto indices = reinterpret_cast<const WORD*>(base + directory->AddressOfNameOrdinals);
  for (DWORD i = 0; i < directory->NumberOfNames; ++i) {
    entries.push_back({reinterpret_cast<const char*>(base + names[i]),
                       static_cast<int>(directory->Base + indices[i])});
  }
  return entries;
}

int Library::OrdinalBase() const {
  const IMAGE_EXPORT_DIRECTORY* directory = Directory();
  return directory ? static_cast<int>(directory->Base) : -1;
}

int Library::FunctionCount() const {
  const IMAGE_EXPORT_DIRECTORY* directory = Directory();
  return directory ? static_cast<int>(directory->NumberOfFunctions) : -1;
}

const void* Library::Find(const char* name) const {
  const void* function = ByName(name);
  if (!function) {
    ADD_FAILURE() << name << " is not exported" << (error_.empty() ? "" : " (" + error_ + ")");
  }
  return function;
}

std::int32_t Library::Call(const char* name, const Args& args) const {
  const void* function = Find(name);
  if (!function) return static_cast<std::int32_t>(0xDEADBEEF);
  return static_cast<std::int32_t>(CallExport(name, function, args, false).integer);
}

double Library::CallReal(const char* name, const Args& args) const {
  const void* function = Find(name);
  if (!function) return -12345.0;
  return CallExport(name, function, args, true).real;
}

}  // namespace icbus::wine
