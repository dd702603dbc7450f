// icbus-console: opens the demonstration console of icbus.dll (the one
// beside this program, else the one on the search path) and returns when it
// has been closed.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  HMODULE dll = LoadLibraryW(L"icbus.dll");
  if (!dll) {
    MessageBoxW(nullptr, L"icbus.dll could not be loaded.", L"icbus-console", MB_OK | MB_ICONERROR);
    return 1;
  }
  using ShowDemoCall = void(WINAPI*)();
  // FARPROC goes through the generic function pointer type to the real one.
  auto show = reinterpret_cast<ShowDemoCall>(
      reinterpret_cast<void (*)(void)>(GetProcAddress(dll, "ShowDemo")));
  if (!show) {
    MessageBoxW(nullptr, L"icbus.dll has no ShowDemo.", L"icbus-console", MB_OK | MB_ICONERROR);
    FreeLibrary(dll);
    return 1;
  }
  show();
  FreeLibrary(dll);
  return 0;
}
