// Loading and unloading the library does no work: no port is opened, no
// setting read, and a port that a download or the monitor still holds stays
// as it is.
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
