/* A stand-in library for the search-order test: copied under the name of a
 * system library beside the program under test. If the process ever loads
 * it, it leaves a marker file named after itself in C:\vek-markers\ and
 * refuses to load, so that Wine falls back to its own library and the run
 * goes on. */

#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  (void)reserved;
  if (reason != DLL_PROCESS_ATTACH) return TRUE;
  char path[MAX_PATH];
  DWORD length = GetModuleFileNameA(instance, path, MAX_PATH);
  const char* name = path;
  for (DWORD i = 0; i < length; ++i) {
    if (path[i] == '\\') name = path + i + 1;
  }
  char marker[MAX_PATH] = "C:\\vek-markers\\";
  lstrcatA(marker, name);
  CreateDirectoryA("C:\\vek-markers", NULL);
  HANDLE file = CreateFileA(marker, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
  if (file != INVALID_HANDLE_VALUE) {
    DWORD written;
    WriteFile(file, path, length, &written, NULL);
    CloseHandle(file);
  }
  return FALSE;
}
