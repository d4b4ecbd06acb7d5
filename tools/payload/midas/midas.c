/* The stand-in for midas.dll while the packager's licensed copy is not at
 * hand: it loads and does nothing, so that the installer and its tests can
 * run end to end. Its version resource says what it is, so that a copy that
 * slipped into a release is easy to spot. */
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    (void)instance;
    (void)reason;
    (void)reserved;
    return TRUE;
}
