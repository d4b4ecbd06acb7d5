#pragma once
// The kinds of Windows handles, each owned by the one owner (platform/Owned.h)
// so that every path releases what it acquired, and the scopes that put
// back what they borrowed. A borrowed handle is kept as a plain handle and
// named as such.

#include <windows.h>

#include "platform/Owned.h"

namespace vek::win32 {

// Kernel handles: both NULL and INVALID_HANDLE_VALUE mean "none".
struct KernelHandleTraits {
  using Handle = HANDLE;
  static Handle None() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
  static void Close(Handle h) { CloseHandle(h); }
};
using OwnedHandle = Owned<KernelHandleTraits>;

struct FindHandleTraits {
  using Handle = HANDLE;
  static Handle None() { return INVALID_HANDLE_VALUE; }
  static bool IsValid(Handle h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
  static void Close(Handle h) { FindClose(h); }
};
using OwnedFind = Owned<FindHandleTraits>;

struct ModuleTraits {
  using Handle = HMODULE;
  static Handle None() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr; }
  static void Close(Handle h) { FreeLibrary(h); }
};
using OwnedModule = Owned<ModuleTraits>;

// Fonts, brushes, bitmaps: anything DeleteObject releases.
template <typename GdiHandle>
struct GdiObjectTraits {
  using Handle = GdiHandle;
  static Handle None() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr; }
  static void Close(Handle h) { DeleteObject(h); }
};
using OwnedFont = Owned<GdiObjectTraits<HFONT>>;
using OwnedBrush = Owned<GdiObjectTraits<HBRUSH>>;
using OwnedBitmap = Owned<GdiObjectTraits<HBITMAP>>;

struct MemoryDcTraits {
  using Handle = HDC;
  static Handle None() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr; }
  static void Close(Handle h) { DeleteDC(h); }
};
using OwnedMemoryDc = Owned<MemoryDcTraits>;

struct WindowTraits {
  using Handle = HWND;
  static Handle None() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr; }
  static void Close(Handle h) { DestroyWindow(h); }
};
using OwnedWindow = Owned<WindowTraits>;

// Selects a GDI object into a DC and puts the previous one back on scope exit.
class SelectedObject {
 public:
  SelectedObject(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
  ~SelectedObject() { SelectObject(dc_, previous_); }
  SelectedObject(const SelectedObject&) = delete;
  SelectedObject& operator=(const SelectedObject&) = delete;

 private:
  HDC dc_;  // borrowed
  HGDIOBJ previous_;
};

// A window's DC from GetDC, given back with ReleaseDC on scope exit.
class WindowDc {
 public:
  explicit WindowDc(HWND window) : window_(window), dc_(GetDC(window)) {}
  ~WindowDc() {
    if (dc_) ReleaseDC(window_, dc_);
  }
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;
  // Null when the window has none.
  HDC Get() const { return dc_; }

 private:
  HWND window_;  // borrowed
  HDC dc_;
};

// BeginPaint / EndPaint for one WM_PAINT.
class PaintScope {
 public:
  explicit PaintScope(HWND window) : window_(window) { dc_ = BeginPaint(window, &paint_); }
  ~PaintScope() { EndPaint(window_, &paint_); }
  PaintScope(const PaintScope&) = delete;
  PaintScope& operator=(const PaintScope&) = delete;
  HDC Dc() const { return dc_; }

 private:
  HWND window_;  // borrowed
  PAINTSTRUCT paint_;
  HDC dc_;
};

}  // namespace vek::win32
