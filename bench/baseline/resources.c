/* The extraction benchmark's floor: a bare program that writes each DLLFILE
 * resource of its own image to the folder given as its argument, straight
 * from the mapped image in 1 MB WriteFile calls, as the installer does, and
 * prints how many milliseconds that took. Like the installer it is a window
 * program that waits, once started, to be told to begin: it shows a bare
 * window, prints "ready" on its standard output and waits for a line on its
 * standard input. (Under Wine on an emulated machine, a process without a
 * window writes the same bytes some three times slower.) No checks beyond
 * what it needs to say that it failed. */

#include <windows.h>
#include <stdio.h>

static const char* folder;
static int failed;

static BOOL CALLBACK WriteOne(HMODULE module, LPCSTR type, LPSTR name, LONG_PTR unused) {
  (void)unused;
  HRSRC resource = FindResourceA(module, name, type);
  DWORD size = SizeofResource(module, resource);
  const BYTE* data = (const BYTE*)LockResource(LoadResource(module, resource));
  char path[MAX_PATH];
  snprintf(path, sizeof path, "%s\\%s", folder, IS_INTRESOURCE(name) ? "unnamed" : name);
  HANDLE file = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, NULL, CREATE_NEW,
                            FILE_ATTRIBUTE_NORMAL, NULL);
  if (!data || file == INVALID_HANDLE_VALUE) {
    failed = 1;
    return FALSE;
  }
  for (DWORD offset = 0; offset < size;) {
    DWORD chunk = size - offset < (1u << 20) ? size - offset : (1u << 20);
    DWORD done = 0;
    if (!WriteFile(file, data + offset, chunk, &done, NULL) || done != chunk) failed = 1;
    offset += chunk;
  }
  CloseHandle(file);
  return !failed;
}

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  folder = argv[1];
  HWND window = CreateWindowA("STATIC", "Resource writer", WS_OVERLAPPED | WS_CAPTION | WS_VISIBLE,
                              CW_USEDEFAULT, CW_USEDEFAULT, 397, 105, NULL, NULL, NULL, NULL);
  UpdateWindow(window);
  MSG message;
  while (PeekMessageA(&message, NULL, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
  char go[16];
  fputs("ready\n", stdout);
  fflush(stdout);
  if (!fgets(go, sizeof go, stdin)) return 2;
  LARGE_INTEGER frequency, start, end;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&start);
  EnumResourceNamesA(NULL, "DLLFILE", WriteOne, 0);
  QueryPerformanceCounter(&end);
  if (failed) return 1;
  printf("%.1f\n", (double)(end.QuadPart - start.QuadPart) * 1000.0 / (double)frequency.QuadPart);
  return 0;
}
