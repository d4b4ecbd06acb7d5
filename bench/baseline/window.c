/* The benchmarks' baseline: a bare Win32 window program, as small as MinGW
 * makes one. It shows one window titled by its first argument and runs the
 * message loop until it is closed. Built with WITH_COM, it first initialises
 * COM for its thread as the installer must: the floor of its start-up. */

#include <windows.h>
#ifdef WITH_COM
#include <objbase.h>
#endif

static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CLOSE) PostQuitMessage(0);
  return DefWindowProcA(window, message, wParam, lParam);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show) {
  (void)previous;
#ifdef WITH_COM
  CoInitializeEx(NULL, COINIT_APARTMENTTHREADED);
#endif
  WNDCLASSA windowClass = {0};
  windowClass.lpfnWndProc = Proc;
  windowClass.hInstance = instance;
  windowClass.hbrBackground = (HBRUSH)(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = "Baseline";
  RegisterClassA(&windowClass);
  HWND window = CreateWindowA("Baseline", commandLine, WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU,
                              CW_USEDEFAULT, CW_USEDEFAULT, 397, 105, NULL, NULL, instance, NULL);
  ShowWindow(window, show);
  MSG message;
  while (GetMessageA(&message, NULL, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return 0;
}
