/* A library planted beside a program under a system library's name. If the
 * process ever loads it, it leaves "<its own path>.loaded" beside itself and
 * refuses to load, so that the loader goes on to the real library. */

#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  (void)reserved;
  if (reason != DLL_PROCESS_ATTACH) return TRUE;
  WCHAR path[MAX_PATH + 8];
  DWORD length = GetModuleFileNameW(instance, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return FALSE;
  lstrcpyW(path + length, L".loaded");
  HANDLE marker = CreateFileW(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
  if (marker != INVALID_HANDLE_VALUE) CloseHandle(marker);
  return FALSE;
}
