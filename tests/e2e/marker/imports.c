/* Imports the same libraries as VekDll.exe and does nothing else: what Wine
 * loads for it is what the loader loads before VekDll.exe's first
 * instruction, before the program can restrict the library search. */

#include <windows.h>
#include <objbase.h>

int main(void) {
  /* One call into each library keeps it in the import table; none runs. */
  if (GetTickCount() == 1) {
    GetStockObject(WHITE_BRUSH);
    GetDesktopWindow();
    CoUninitialize();
    RevertToSelf();
  }
  return 0;
}
