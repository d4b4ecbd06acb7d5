// The end-to-end tests' eyes inside Wine: reads windows of the program under
// test (child controls are not X windows, so X tools cannot see them) and
// prints them as JSON; can also disable a control, to put the program in a
// state that a person cannot reach directly.
//
//   probe wait TITLE SECONDS      exit 0 once a visible window of that title exists
//   probe gone TITLE SECONDS      exit 0 once no window of that title exists
//   probe ready TITLE SECONDS     exit 0 once that window is visible, enabled,
//                                 painted and holds the keyboard focus
//   probe menustate TITLE         the menu state of the window's thread: 0 none,
//                                 1 menu mode without a popup, 2 a popup menu
//   probe menu TITLE STATE SECONDS
//                                 exit 0 once the menu state is STATE
//   probe dump TITLE              the window, its client size, its owner's title
//                                 and its controls
//   probe boxes                   every visible dialog or message box
//   probe enable TITLE ID 0|1     disables or enables the control ID
//   probe time TITLE BUTTON PANEL SECONDS
//                                 clicks BUTTON, then prints each distinct text
//                                 of PANEL and the first dialog, each with the
//                                 milliseconds since the click
//   probe click TITLE BUTTON      prints "ready" once it has found BUTTON,
//                                 clicks it as soon as a line arrives on its
//                                 standard input, and ends
//   probe watch TITLE ID SECONDS  every distinct text of control ID, in order,
//                                 until a dialog or message box opens, the
//                                 window closes, or time runs out
//   probe hold PATH exclusive|shared
//                                 holds the file PATH open as another program
//                                 (a virus scanner) may: for reading, sharing
//                                 nothing; or for reading and writing,
//                                 sharing all (beside any other opening, it
//                                 keeps out those that share no writing);
//                                 prints "held", closes it as soon as a line
//                                 arrives on its standard input, and ends
//
// Texts are printed byte for byte, bytes above 127 as \u00XX.

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

void PrintString(const char* text) {
  std::putchar('"');
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p) {
    if (*p == '"' || *p == '\\') {
      std::printf("\\%c", *p);
    } else if (*p < 0x20 || *p > 0x7E) {
      std::printf("\\u%04x", *p);
    } else {
      std::putchar(*p);
    }
  }
  std::putchar('"');
}

void PrintWindowText(HWND window) {
  char text[1024];
  text[0] = '\0';
  // For another process's window this reads the stored text without sending
  // a message, so a program that is busy (or sleeping) still answers at once.
  GetWindowTextA(window, text, sizeof text);
  PrintString(text);
}

void PrintRect(const char* name, RECT r) {
  std::printf("\"%s\": [%ld, %ld, %ld, %ld]", name, r.left, r.top, r.right - r.left,
              r.bottom - r.top);
}

HWND FocusOf(HWND window) {
  GUITHREADINFO info = {};
  info.cbSize = sizeof info;
  GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info);
  return info.hwndFocus;
}

void PrintControl(HWND control, HWND focus, int depth) {
  char className[128];
  GetClassNameA(control, className, sizeof className);
  RECT rect;
  GetWindowRect(control, &rect);
  RECT screen = rect;
  MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
  const LONG style = GetWindowLongA(control, GWL_STYLE);
  std::printf("%*s{\"id\": %d, \"handle\": %lu, \"class\": ", depth * 2, "", GetDlgCtrlID(control),
              static_cast<unsigned long>(reinterpret_cast<ULONG_PTR>(control)));
  PrintString(className);
  std::printf(", \"text\": ");
  PrintWindowText(control);
  std::printf(", ");
  PrintRect("rect", rect);
  std::printf(", ");
  PrintRect("screen", screen);
  std::printf(", \"visible\": %s, \"enabled\": %s, \"focused\": %s, \"style\": %lu, \"children\": [\n",
              (style & WS_VISIBLE) ? "true" : "false", IsWindowEnabled(control) ? "true" : "false",
              control == focus ? "true" : "false", static_cast<unsigned long>(style));
  // Children in stacking order, the topmost first.
  bool first = true;
  for (HWND child = GetWindow(control, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    if (!first) std::printf(",\n");
    first = false;
    PrintControl(child, focus, depth + 1);
  }
  std::printf("]}");
}

// The visible top-level window of that title: the application's invisible
// owner window carries the same title.
HWND FindTopLevel(const char* title) {
  for (HWND window = FindWindowExA(nullptr, nullptr, nullptr, title); window;
       window = FindWindowExA(nullptr, window, nullptr, title)) {
    if (IsWindowVisible(window)) return window;
  }
  return nullptr;
}

int Dump(const char* title) {
  HWND window = FindTopLevel(title);
  if (!window) {
    std::fprintf(stderr, "probe: no visible window titled %s\n", title);
    return 1;
  }
  RECT client;
  GetClientRect(window, &client);
  RECT frame;
  GetWindowRect(window, &frame);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  std::printf("{\"title\": ");
  PrintWindowText(window);
  std::printf(", \"client\": [%ld, %ld], ", client.right, client.bottom);
  PrintRect("frame", frame);
  std::printf(", \"style\": %lu, \"exstyle\": %lu, \"enabled\": %s, \"process\": %lu",
              static_cast<unsigned long>(GetWindowLongA(window, GWL_STYLE)),
              static_cast<unsigned long>(GetWindowLongA(window, GWL_EXSTYLE)),
              IsWindowEnabled(window) ? "true" : "false", static_cast<unsigned long>(process));
  std::printf(", \"screen_size\": [%d, %d]", GetSystemMetrics(SM_CXSCREEN),
              GetSystemMetrics(SM_CYSCREEN));
  // The window that owns it, by its title; null for none.
  std::printf(", \"owner\": ");
  if (HWND owner = GetWindow(window, GW_OWNER)) {
    PrintWindowText(owner);
  } else {
    std::printf("null");
  }
  std::printf(", \"form\":\n");
  PrintControl(window, FocusOf(window), 1);
  std::printf("}\n");
  return 0;
}

BOOL CALLBACK PrintBox(HWND window, LPARAM count) {
  char className[64];
  GetClassNameA(window, className, sizeof className);
  if (!IsWindowVisible(window) || std::strcmp(className, "#32770") != 0) return TRUE;
  int& printed = *reinterpret_cast<int*>(count);
  std::printf(printed++ ? ",\n" : "\n");
  PrintControl(window, FocusOf(window), 1);
  return TRUE;
}

int Boxes() {
  int printed = 0;
  std::printf("[");
  EnumWindows(PrintBox, reinterpret_cast<LPARAM>(&printed));
  std::printf("]\n");
  return 0;
}

// Polls `condition` every 100 ms for up to `seconds`: exit code 0 once it holds.
template <typename Condition>
int WaitFor(int seconds, Condition condition) {
  for (DWORD start = GetTickCount(); GetTickCount() - start < static_cast<DWORD>(seconds) * 1000;) {
    if (condition()) return 0;
    Sleep(100);
  }
  return condition() ? 0 : 1;
}

int Wait(const char* title, int seconds, bool untilGone) {
  return WaitFor(seconds, [&] { return (FindTopLevel(title) != nullptr) != untilGone; });
}

BOOL CALLBACK FindUnpainted(HWND child, LPARAM unpainted) {
  if (GetUpdateRect(child, nullptr, FALSE)) *reinterpret_cast<bool*>(unpainted) = true;
  return TRUE;
}

// True while the window or one of its controls still waits to be painted:
// the focus comes with the activation, before the first painting.
bool Unpainted(HWND window) {
  bool unpainted = GetUpdateRect(window, nullptr, FALSE) != FALSE;
  EnumChildWindows(window, FindUnpainted, reinterpret_cast<LPARAM>(&unpainted));
  return unpainted;
}

int Ready(const char* title, int seconds) {
  return WaitFor(seconds, [&] {
    HWND window = FindTopLevel(title);
    if (!window || !IsWindowEnabled(window) || Unpainted(window)) return false;
    HWND focus = FocusOf(window);
    return focus == window || (focus && IsChild(window, focus));
  });
}

// The menu state of the thread that owns the window titled `title`: 0 none,
// 1 menu mode without a popup menu shown (after Esc has closed one), 2 a
// popup menu shown.
struct PopupSearch {
  DWORD thread;
  bool found;
};

BOOL CALLBACK NotePopup(HWND window, LPARAM search) {
  auto& s = *reinterpret_cast<PopupSearch*>(search);
  char className[64];
  GetClassNameA(window, className, sizeof className);
  if (IsWindowVisible(window) && std::strcmp(className, "#32768") == 0 &&
      GetWindowThreadProcessId(window, nullptr) == s.thread) {
    s.found = true;
  }
  return TRUE;
}

int MenuState(const char* title) {
  HWND window = FindTopLevel(title);
  if (!window) return 0;
  PopupSearch search = {GetWindowThreadProcessId(window, nullptr), false};
  EnumWindows(NotePopup, reinterpret_cast<LPARAM>(&search));
  GUITHREADINFO info = {};
  info.cbSize = sizeof info;
  GetGUIThreadInfo(search.thread, &info);
  if (search.found || (info.flags & GUI_POPUPMENUMODE)) return 2;
  return (info.flags & GUI_INMENUMODE) ? 1 : 0;
}

int WaitMenu(const char* title, int state, int seconds) {
  return WaitFor(seconds, [&] { return MenuState(title) == state; });
}

// Controls may be nested in panels: searches the whole tree for the id.
HWND FindControl(HWND window, int id) {
  struct Search {
    int id;
    HWND found;
    static BOOL CALLBACK Visit(HWND child, LPARAM self) {
      Search& s = *reinterpret_cast<Search*>(self);
      if (GetDlgCtrlID(child) == s.id) s.found = child;
      return s.found == nullptr;
    }
  } search = {id, nullptr};
  if (window) EnumChildWindows(window, Search::Visit, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

int Enable(const char* title, int id, bool enable) {
  HWND control = FindControl(FindTopLevel(title), id);
  if (!control) return 1;
  EnableWindow(control, enable);
  return 0;
}

BOOL CALLBACK NoteBox(HWND window, LPARAM seen) {
  char className[64];
  GetClassNameA(window, className, sizeof className);
  if (IsWindowVisible(window) && std::strcmp(className, "#32770") == 0) {
    *reinterpret_cast<bool*>(seen) = true;
  }
  return TRUE;
}

int Watch(const char* title, int id, int seconds) {
  HWND window = FindTopLevel(title);
  HWND control = FindControl(window, id);
  if (!control) return 1;
  char last[1024] = "";
  bool first = true;
  std::printf("[");
  for (DWORD start = GetTickCount(); GetTickCount() - start < static_cast<DWORD>(seconds) * 1000;) {
    if (!IsWindow(control)) break;
    char text[1024] = "";
    GetWindowTextA(control, text, sizeof text);
    if (std::strcmp(text, last) != 0) {
      std::printf(first ? "" : ", ");
      PrintString(text);
      std::fflush(stdout);
      first = false;
      std::strcpy(last, text);
    }
    bool boxOpen = false;
    EnumWindows(NoteBox, reinterpret_cast<LPARAM>(&boxOpen));
    if (boxOpen) break;
    Sleep(20);
  }
  std::printf("]\n");
  return 0;
}

}  // namespace

int Time(const char* title, int button, int panel, int seconds) {
  HWND window = FindTopLevel(title);
  HWND buttonWindow = FindControl(window, button);
  HWND panelWindow = FindControl(window, panel);
  if (!buttonWindow || !panelWindow) return 1;
  char last[1024] = "";
  std::printf("[");
  const DWORD start = GetTickCount();
  PostMessageA(buttonWindow, BM_CLICK, 0, 0);
  bool boxOpen = false;
  while (GetTickCount() - start < static_cast<DWORD>(seconds) * 1000 && IsWindow(panelWindow)) {
    char text[1024] = "";
    GetWindowTextA(panelWindow, text, sizeof text);
    const DWORD now = GetTickCount() - start;
    if (std::strcmp(text, last) != 0) {
      std::printf("[%lu, ", static_cast<unsigned long>(now));
      PrintString(text);
      std::printf("], ");
      std::strcpy(last, text);
    }
    EnumWindows(NoteBox, reinterpret_cast<LPARAM>(&boxOpen));
    if (boxOpen) break;
    Sleep(5);
  }
  // The last entry: when the first dialog opened (null text), or the end.
  std::printf("[%lu, %s]]\n", static_cast<unsigned long>(GetTickCount() - start),
              boxOpen ? "null" : "\"(no dialog)\"");
  return 0;
}

int ClickOnCue(const char* title, int button) {
  HWND window = FindTopLevel(title);
  HWND buttonWindow = window ? FindControl(window, button) : nullptr;
  if (!buttonWindow) return 1;
  std::printf("ready\n");
  std::fflush(stdout);
  char cue[16];
  if (!std::fgets(cue, sizeof cue, stdin)) return 2;
  PostMessageA(buttonWindow, BM_CLICK, 0, 0);
  return 0;
}

int Hold(const char* path, const char* how) {
  const bool shared = std::strcmp(how, "shared") == 0;
  HANDLE file = CreateFileA(path, shared ? GENERIC_READ | GENERIC_WRITE : GENERIC_READ,
                            shared ? FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE : 0,
                            nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    std::printf("not held: error %lu\n", GetLastError());
    return 1;
  }
  std::printf("held\n");
  std::fflush(stdout);
  char cue[16];
  std::fgets(cue, sizeof cue, stdin);
  CloseHandle(file);
  return 0;
}

int main(int argc, char** argv) {
  if (argc >= 4 && std::strcmp(argv[1], "wait") == 0) return Wait(argv[2], std::atoi(argv[3]), false);
  if (argc >= 4 && std::strcmp(argv[1], "gone") == 0) return Wait(argv[2], std::atoi(argv[3]), true);
  if (argc >= 4 && std::strcmp(argv[1], "ready") == 0) return Ready(argv[2], std::atoi(argv[3]));
  if (argc >= 5 && std::strcmp(argv[1], "menu") == 0) {
    return WaitMenu(argv[2], std::atoi(argv[3]), std::atoi(argv[4]));
  }
  if (argc >= 3 && std::strcmp(argv[1], "menustate") == 0) {
    std::printf("%d\n", MenuState(argv[2]));
    return 0;
  }
  if (argc >= 3 && std::strcmp(argv[1], "dump") == 0) return Dump(argv[2]);
  if (argc >= 2 && std::strcmp(argv[1], "boxes") == 0) return Boxes();
  if (argc >= 5 && std::strcmp(argv[1], "enable") == 0) {
    return Enable(argv[2], std::atoi(argv[3]), std::atoi(argv[4]) != 0);
  }
  if (argc >= 4 && std::strcmp(argv[1], "click") == 0) return ClickOnCue(argv[2], std::atoi(argv[3]));
  if (argc >= 6 && std::strcmp(argv[1], "time") == 0) {
    return Time(argv[2], std::atoi(argv[3]), std::atoi(argv[4]), std::atoi(argv[5]));
  }
  if (argc >= 5 && std::strcmp(argv[1], "watch") == 0) {
    return Watch(argv[2], std::atoi(argv[3]), std::atoi(argv[4]));
  }
  if (argc >= 4 && std::strcmp(argv[1], "hold") == 0) return Hold(argv[2], argv[3]);
  std::fprintf(stderr, "usage: probe wait|gone|ready TITLE SECONDS | menustate TITLE | menu TITLE STATE SECONDS | dump TITLE | boxes | enable TITLE ID 0|1"
               " | watch TITLE ID SECONDS | time TITLE BUTTON PANEL SECONDS | click TITLE BUTTON"
               " | hold PATH exclusive|shared\n");
  return 2;
}
