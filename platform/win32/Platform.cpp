#include "platform/win32/Platform.h"

#include <windows.h>
#include <objbase.h>

#include "platform/win32/Services.h"
#include "platform/win32/process/DllSearch.h"
#include "platform/win32/window/Application.h"
#include "platform/win32/window/InformationDialog.h"
#include "platform/win32/window/MainForm.h"

namespace vek::win32 {

namespace {

// COM for the window thread, for the life of the program: the shell's copy
// operation relies on it.
class ComApartment {
 public:
  ComApartment() : initialised_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
  ~ComApartment() {
    if (initialised_) CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

 private:
  bool initialised_;
};

// The Toolkit interface over the application object and the main form.
class WindowToolkit : public Toolkit {
 public:
  explicit WindowToolkit(Application& application) : application_(application) {}
  // Borrowed; null until the form exists.
  void Attach(MainForm* form) { form_ = form; }

  void SetApplicationTitle(const Text& title) override { application_.SetTitle(title); }
  void ProcessMessages() override { application_.ProcessMessages(); }
  void ShowInformation(const Text& text) override { ShowInformationDialog(application_, text); }
  void SetFormText(const Text& text) override {
    if (form_) form_->SetCaption(text);
  }
  void CloseForm() override {
    if (form_) SendMessageA(form_->Window(), WM_CLOSE, 0, 0);
  }
  void SetVisible(ControlId id, bool visible) override {
    if (form_) form_->SetVisible(id, visible);
  }
  bool IsVisible(ControlId id) override { return form_ && form_->IsVisible(id); }
  void BringToFront(ControlId id) override {
    if (form_) form_->BringToFront(id);
  }
  void SetText(ControlId id, const Text& text) override {
    if (form_) form_->SetText(id, text);
  }
  void SetEnabled(ControlId id, bool enabled) override {
    if (form_) form_->SetEnabled(id, enabled);
  }
  void Focus(ControlId id) override {
    if (form_) form_->Focus(id);
  }
  Failure Press(ControlId id) override { return form_ ? form_->Press(id) : Failure(); }

 private:
  Application& application_;
  MainForm* form_ = nullptr;
};

}  // namespace

// Restricts the library search before any other part loads a library.
struct SearchRestriction {
  SearchRestriction() { RestrictDllSearch(); }
};

struct Platform::Parts {
  SearchRestriction searchRestriction;
  ComApartment com;
  Application application;
  win32::Services services{application};
  WindowToolkit toolkit{application};
};

Platform::Platform() : parts_(new Parts) {}

Platform::~Platform() = default;

System& Platform::Services() { return parts_->services; }

Toolkit& Platform::Tools() { return parts_->toolkit; }

int Platform::Run(const FormLayout& layout, FormEvents& events) {
  MainForm form(parts_->application, layout, events);
  // Without its window the event loop would wait for ever, with nothing on
  // the screen to close.
  if (!form.Window()) {
    parts_->application.ShowFailure(form.CreationFailure());
    return 1;
  }
  parts_->toolkit.Attach(&form);
  parts_->application.SetFilter(&form);
  form.Show();
  parts_->application.Run();
  parts_->application.SetFilter(nullptr);
  parts_->toolkit.Attach(nullptr);
  return 0;
}

}  // namespace vek::win32
