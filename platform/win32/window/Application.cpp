#include "platform/win32/window/Application.h"

#include <cstring>

#include "platform/Resources.h"
#include "platform/win32/process/Module.h"
#include "platform/win32/window/WindowClass.h"

namespace vek::win32 {

namespace {

constexpr char kOwnerClass[] = "VekDllApplication";

LRESULT CALLBACK OwnerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcA(window, message, wParam, lParam);
}

// The executable's file name up to its first dot, the first character kept
// and the rest in lower case: "VekDll.exe" gives "Vekdll".
Text DefaultTitle() {
  Text name = FileNamePart(Narrow(ModulePath()));
  std::size_t dot = 0;
  while (dot < name.Length() && name[dot] != '.') ++dot;
  if (dot == 0) return Text();
  Buffer<char> title(dot + 1);
  std::memcpy(title.Data(), name.CStr(), dot);
  CharLowerBuffA(title.Data() + 1, static_cast<DWORD>(dot - 1));
  return Text(title.Data(), dot);
}

}  // namespace

Application::Application()
    : instance_(GetModuleHandleA(nullptr)),
      // Shared icons (LR_SHARED) are the system's to free. Loading the small
      // one here, once, spares each window class the copy that Windows would
      // otherwise make of the large one for it, from the same resource (for
      // the row "Wine server requests" up to the main window's map,
      // bench/counts.py).
      icon_(LoadIconA(instance_, VEK_NAME(VEK_ICON))),
      smallIcon_(static_cast<HICON>(LoadImageA(instance_, VEK_NAME(VEK_ICON), IMAGE_ICON,
                                               GetSystemMetrics(SM_CXSMICON),
                                               GetSystemMetrics(SM_CYSMICON), LR_SHARED))),
      title_(DefaultTitle()) {
  RegisterWindowClass(instance_, kOwnerClass, OwnerProc, {icon_, smallIcon_, false, nullptr});
}

HWND Application::Window() {
  if (!window_) {
    window_.Reset(CreateWindowExA(0, kOwnerClass, title_.CStr(), WS_POPUP, 0, 0, 0, 0, nullptr,
                                  nullptr, instance_, nullptr));
    // Given to the form before any box can use it: under Wine, a form given
    // an owner that a box has already made a managed window stands at the
    // screen's corner in Wine's books while it is shown centred, and clicks
    // on it miss.
    if (window_ && form_) Own(form_);
  }
  return window_.Get();
}

void Application::Own(HWND form) {
  form_ = form;
  // The owner of a top-level window is changed through GWLP_HWNDPARENT: the
  // form is made without one and given this window once it exists, the
  // price of making it late (Window()).
  if (window_) SetWindowLongPtrA(form, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(window_.Get()));
}

void Application::SetTitle(const Text& title) {
  title_ = title;
  if (window_) SetWindowTextA(window_.Get(), title_.CStr());
}

void Application::Dispatch(MSG& message) {
  if (filter_ && filter_->PreTranslate(message)) return;
  TranslateMessage(&message);
  DispatchMessageA(&message);
}

void Application::Run() {
  MSG message;
  while (!terminated_) {
    BOOL got = GetMessageA(&message, nullptr, 0, 0);
    if (got == 0 || got == -1) break;
    Dispatch(message);
  }
}

void Application::ProcessMessages() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      terminated_ = true;
      continue;
    }
    Dispatch(message);
  }
}

void Application::Terminate() {
  terminated_ = true;
  // Wakes the event loop should the request have come in a message sent from
  // another thread, which GetMessage handles without returning.
  PostMessageA(Window(), WM_NULL, 0, 0);
}

void Application::ShowMessageBox(const Text& text, const Text& caption, unsigned flags) {
  ModalScope modal;
  MessageBoxA(Window(), text.CStr(), caption.CStr(), flags);
}

void Application::ShowFailure(const Failure& failure) {
  Text message = failure.Message();
  if (!message.Empty() && static_cast<unsigned char>(message.Last()) > '.') message += '.';
  ShowMessageBox(message, title_, MB_ICONSTOP);
}

ModalScope::ModalScope() : active_(GetActiveWindow()), focus_(GetFocus()) {
  // Two passes over the thread's top-level windows: the first counts those
  // to disable, the second disables them. Nothing can open a window in
  // between, so every one of them is disabled, however many there are.
  EnumThreadWindows(GetCurrentThreadId(), Visit, reinterpret_cast<LPARAM>(this));
  disabled_ = Buffer<HWND>(count_);
  count_ = 0;
  EnumThreadWindows(GetCurrentThreadId(), Visit, reinterpret_cast<LPARAM>(this));
}

BOOL CALLBACK ModalScope::Visit(HWND window, LPARAM scope) {
  ModalScope& self = *reinterpret_cast<ModalScope*>(scope);
  if (!IsWindowVisible(window) || !IsWindowEnabled(window)) return TRUE;
  if (self.disabled_.Data()) {
    if (self.count_ == self.disabled_.Size()) return FALSE;
    EnableWindow(window, FALSE);
    self.disabled_[self.count_] = window;
  }
  ++self.count_;
  return TRUE;
}

ModalScope::~ModalScope() {
  for (std::size_t i = 0; i < count_; ++i) EnableWindow(disabled_[i], TRUE);
  if (active_ && IsWindow(active_)) SetActiveWindow(active_);
  if (focus_ && IsWindow(focus_)) SetFocus(focus_);
}

}  // namespace vek::win32
