#pragma once
// One owner type per kind of Win32 handle. Each releases its handle exactly once, clears it after
// release, and can be moved but not copied. The scoped helpers at the end restore state they change
// (the object selected into a DC, a DC taken with GetDC) in reverse order of acquisition. No release
// changes the thread's last-error code: code that reads GetLastError after an owner went out of scope
// reads the error of the call it meant.
#include <windows.h>
#include <objbase.h>

#include <algorithm>
#include <utility>

// The GDI+ headers use min and max unqualified; the build defines NOMINMAX.
namespace Gdiplus {
using std::max;
using std::min;
}  // namespace Gdiplus
#include <gdiplus.h>

// Runs `release` and puts the thread's last-error code back as it was before.
template <typename Release>
void KeepingLastError(Release release) noexcept {
  const DWORD error = ::GetLastError();
  release();
  ::SetLastError(error);
}

template <typename Traits>
class UniqueHandle {
 public:
  using Handle = typename Traits::Handle;

  UniqueHandle() noexcept = default;
  explicit UniqueHandle(Handle handle) noexcept : handle_(handle) {}
  ~UniqueHandle() { Reset(); }

  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.Release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) Reset(other.Release());
    return *this;
  }

  Handle Get() const noexcept { return handle_; }
  bool Valid() const noexcept { return handle_ != Traits::Invalid(); }
  explicit operator bool() const noexcept { return Valid(); }

  // Gives up ownership without releasing.
  Handle Release() noexcept { return std::exchange(handle_, Traits::Invalid()); }

  // Releases the current handle (if any) and takes the new one.
  void Reset(Handle handle = Traits::Invalid()) noexcept {
    Handle old = std::exchange(handle_, handle);
    if (old != Traits::Invalid()) Traits::Close(old);
  }

  // Releases the current handle and hands out the place for an API's out-parameter to fill.
  Handle* Put() noexcept {
    Reset();
    return &handle_;
  }

 private:
  Handle handle_ = Traits::Invalid();
};

// Each kind's Close releases one handle and leaves the thread's last-error code as it was. The
// releases are in Handles.cpp, as those of the helpers below: one copy serves every owner.
namespace handle_traits {
struct File {  // CreateFileW, CreateToolhelp32Snapshot: invalid is INVALID_HANDLE_VALUE
  using Handle = HANDLE;
  static Handle Invalid() noexcept { return INVALID_HANDLE_VALUE; }
  static void Close(Handle h) noexcept;
};
struct Kernel {  // mutexes, events, processes: invalid is null
  using Handle = HANDLE;
  static Handle Invalid() noexcept { return nullptr; }
  static void Close(Handle h) noexcept { File::Close(h); }
};
struct Icon {
  using Handle = HICON;
  static Handle Invalid() noexcept { return nullptr; }
  static void Close(Handle h) noexcept;
};
struct Menu {
  using Handle = HMENU;
  static Handle Invalid() noexcept { return nullptr; }
  static void Close(Handle h) noexcept;
};
void DeleteGdiObject(HGDIOBJ object) noexcept;
template <typename T>
struct GdiObject {
  using Handle = T;
  static Handle Invalid() noexcept { return nullptr; }
  static void Close(Handle h) noexcept { DeleteGdiObject(h); }
};
struct MemoryDc {  // CreateCompatibleDC
  using Handle = HDC;
  static Handle Invalid() noexcept { return nullptr; }
  static void Close(Handle h) noexcept;
};
struct Window {
  using Handle = HWND;
  static Handle Invalid() noexcept { return nullptr; }
  static void Close(Handle h) noexcept;
};
struct RegistryKey {
  using Handle = HKEY;
  static Handle Invalid() noexcept { return nullptr; }
  static void Close(Handle h) noexcept;
};
struct Hook {  // SetWindowsHookExW
  using Handle = HHOOK;
  static Handle Invalid() noexcept { return nullptr; }
  static void Close(Handle h) noexcept;
};
struct CoTaskMemory {  // strings returned by the shell (SHGetKnownFolderPath)
  using Handle = wchar_t*;
  static Handle Invalid() noexcept { return nullptr; }
  static void Close(Handle h) noexcept;
};
struct LocalMemory {  // arrays returned by LocalAlloc (CommandLineToArgvW)
  using Handle = wchar_t**;
  static Handle Invalid() noexcept { return nullptr; }
  static void Close(Handle h) noexcept;
};
struct PowerNotification {  // RegisterPowerSettingNotification
  using Handle = HPOWERNOTIFY;
  static Handle Invalid() noexcept { return nullptr; }
  static void Close(Handle h) noexcept;
};
// GDI+ flat objects (the overlay clock's), each deleted by its own call.
template <typename T, Gdiplus::GpStatus(WINGDIPAPI* Delete)(T*)>
struct GdiplusObject {
  using Handle = T*;
  static Handle Invalid() noexcept { return nullptr; }
  static void Close(Handle h) noexcept {
    KeepingLastError([h] { Delete(h); });
  }
};
inline Gdiplus::GpStatus WINGDIPAPI DisposeGdiplusBitmap(Gdiplus::GpBitmap* bitmap) {
  return Gdiplus::DllExports::GdipDisposeImage(bitmap);
}
inline Gdiplus::GpStatus WINGDIPAPI DeleteGdiplusFill(Gdiplus::GpSolidFill* brush) {
  return Gdiplus::DllExports::GdipDeleteBrush(brush);
}
}  // namespace handle_traits

using FileHandle = UniqueHandle<handle_traits::File>;
using SnapshotHandle = UniqueHandle<handle_traits::File>;
using KernelHandle = UniqueHandle<handle_traits::Kernel>;
using IconHandle = UniqueHandle<handle_traits::Icon>;
using MenuHandle = UniqueHandle<handle_traits::Menu>;
using BitmapHandle = UniqueHandle<handle_traits::GdiObject<HBITMAP>>;
using FontHandle = UniqueHandle<handle_traits::GdiObject<HFONT>>;
using PenHandle = UniqueHandle<handle_traits::GdiObject<HPEN>>;
using BrushHandle = UniqueHandle<handle_traits::GdiObject<HBRUSH>>;
using MemoryDcHandle = UniqueHandle<handle_traits::MemoryDc>;
using WindowHandle = UniqueHandle<handle_traits::Window>;
using RegistryKeyHandle = UniqueHandle<handle_traits::RegistryKey>;
using HookHandle = UniqueHandle<handle_traits::Hook>;
using CoTaskString = UniqueHandle<handle_traits::CoTaskMemory>;
using ArgumentList = UniqueHandle<handle_traits::LocalMemory>;
using PowerNotificationHandle = UniqueHandle<handle_traits::PowerNotification>;
using GpFontHandle = UniqueHandle<handle_traits::GdiplusObject<Gdiplus::GpFont, Gdiplus::DllExports::GdipDeleteFont>>;
using GpFamilyHandle =
    UniqueHandle<handle_traits::GdiplusObject<Gdiplus::GpFontFamily, Gdiplus::DllExports::GdipDeleteFontFamily>>;
using GpFormatHandle =
    UniqueHandle<handle_traits::GdiplusObject<Gdiplus::GpStringFormat, Gdiplus::DllExports::GdipDeleteStringFormat>>;
using GpGraphicsHandle =
    UniqueHandle<handle_traits::GdiplusObject<Gdiplus::GpGraphics, Gdiplus::DllExports::GdipDeleteGraphics>>;
using GpBitmapHandle =
    UniqueHandle<handle_traits::GdiplusObject<Gdiplus::GpBitmap, handle_traits::DisposeGdiplusBitmap>>;
using GpBrushHandle =
    UniqueHandle<handle_traits::GdiplusObject<Gdiplus::GpSolidFill, handle_traits::DeleteGdiplusFill>>;

// A DC obtained with GetDC, given back with ReleaseDC to the same window.
class WindowDc {
 public:
  explicit WindowDc(HWND window) noexcept : window_(window), dc_(::GetDC(window)) {}
  ~WindowDc();
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;
  HDC Get() const noexcept { return dc_; }
  explicit operator bool() const noexcept { return dc_ != nullptr; }

 private:
  HWND window_;
  HDC dc_;
};

// Selects an object into a DC and selects the previous one back when it goes out of scope.
class SelectedObject {
 public:
  SelectedObject(HDC dc, HGDIOBJ object) noexcept
      : dc_(dc), previous_(dc && object ? ::SelectObject(dc, object) : nullptr) {}
  ~SelectedObject();
  SelectedObject(const SelectedObject&) = delete;
  SelectedObject& operator=(const SelectedObject&) = delete;

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

// Keeps one object selected into a DC and selects the DC's previous object back on release. Unlike
// SelectedObject it can be moved, so it can live in a record kept in a container.
class DcSelection {
 public:
  DcSelection() noexcept = default;
  DcSelection(HDC dc, HGDIOBJ object) noexcept {
    if (!dc || !object) return;
    HGDIOBJ previous = ::SelectObject(dc, object);
    if (previous && previous != HGDI_ERROR) {
      dc_ = dc;
      previous_ = previous;
    }
  }
  ~DcSelection() { Reset(); }
  DcSelection(const DcSelection&) = delete;
  DcSelection& operator=(const DcSelection&) = delete;
  DcSelection(DcSelection&& other) noexcept
      : dc_(std::exchange(other.dc_, nullptr)), previous_(std::exchange(other.previous_, nullptr)) {}
  DcSelection& operator=(DcSelection&& other) noexcept {
    if (this != &other) {
      Reset();
      dc_ = std::exchange(other.dc_, nullptr);
      previous_ = std::exchange(other.previous_, nullptr);
    }
    return *this;
  }

  explicit operator bool() const noexcept { return previous_ != nullptr; }

  // Selects the previous object back (once) and forgets the DC.
  void Reset() noexcept;

 private:
  HDC dc_ = nullptr;
  HGDIOBJ previous_ = nullptr;
};

// Releases one reference to a COM object, keeping the thread's last-error code.
void ReleaseComObject(IUnknown* object) noexcept;

// A reference to a COM interface, released once.
template <typename T>
class ComPtr {
 public:
  ComPtr() noexcept = default;
  ~ComPtr() { Reset(); }
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  ComPtr(ComPtr&& other) noexcept : pointer_(std::exchange(other.pointer_, nullptr)) {}
  ComPtr& operator=(ComPtr&& other) noexcept {
    if (this != &other) {
      Reset();
      pointer_ = std::exchange(other.pointer_, nullptr);
    }
    return *this;
  }

  T* Get() const noexcept { return pointer_; }
  T* operator->() const noexcept { return pointer_; }
  explicit operator bool() const noexcept { return pointer_ != nullptr; }

  // Releases what is held and gives the address for an out parameter.
  T** Put() noexcept {
    Reset();
    return &pointer_;
  }
  void** PutVoid() noexcept { return reinterpret_cast<void**>(Put()); }

  void Reset() noexcept {
    if (T* old = std::exchange(pointer_, nullptr)) ReleaseComObject(old);
  }

 private:
  T* pointer_ = nullptr;
};

// One CoInitializeEx on the calling thread, balanced by one CoUninitialize at the end of the scope
// when it succeeded (S_OK, or S_FALSE when the thread already was in that apartment). A failure
// such as RPC_E_CHANGED_MODE leaves the thread's existing apartment alone.
class ScopedComInit {
 public:
  explicit ScopedComInit(DWORD model) noexcept : result_(::CoInitializeEx(nullptr, model)) {}
  ~ScopedComInit();
  ScopedComInit(const ScopedComInit&) = delete;
  ScopedComInit& operator=(const ScopedComInit&) = delete;

 private:
  HRESULT result_;
};
