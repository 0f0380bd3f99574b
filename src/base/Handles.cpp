// The releases of the handle owners and scoped helpers, each keeping the thread's last-error code.
#include "base/Handles.h"

namespace handle_traits {

void File::Close(Handle h) noexcept {
  KeepingLastError([h] { ::CloseHandle(h); });
}
void Icon::Close(Handle h) noexcept {
  KeepingLastError([h] { ::DestroyIcon(h); });
}
void Menu::Close(Handle h) noexcept {
  KeepingLastError([h] { ::DestroyMenu(h); });
}
void MemoryDc::Close(Handle h) noexcept {
  KeepingLastError([h] { ::DeleteDC(h); });
}
void Window::Close(Handle h) noexcept {
  KeepingLastError([h] { ::DestroyWindow(h); });
}
void RegistryKey::Close(Handle h) noexcept {
  KeepingLastError([h] { ::RegCloseKey(h); });
}
void Hook::Close(Handle h) noexcept {
  KeepingLastError([h] { ::UnhookWindowsHookEx(h); });
}
void CoTaskMemory::Close(Handle h) noexcept {
  KeepingLastError([h] { ::CoTaskMemFree(h); });
}
void LocalMemory::Close(Handle h) noexcept {
  KeepingLastError([h] { ::LocalFree(h); });
}
void PowerNotification::Close(Handle h) noexcept {
  KeepingLastError([h] { ::UnregisterPowerSettingNotification(h); });
}
void DeleteGdiObject(HGDIOBJ object) noexcept {
  KeepingLastError([object] { ::DeleteObject(object); });
}

}  // namespace handle_traits

WindowDc::~WindowDc() {
  if (dc_) KeepingLastError([this] { ::ReleaseDC(window_, dc_); });
  dc_ = nullptr;
}

SelectedObject::~SelectedObject() {
  if (previous_ && previous_ != HGDI_ERROR) KeepingLastError([this] { ::SelectObject(dc_, previous_); });
  previous_ = nullptr;
}

void DcSelection::Reset() noexcept {
  if (dc_ && previous_) KeepingLastError([this] { ::SelectObject(dc_, previous_); });
  dc_ = nullptr;
  previous_ = nullptr;
}

void ReleaseComObject(IUnknown* object) noexcept {
  KeepingLastError([object] { object->Release(); });
}

ScopedComInit::~ScopedComInit() {
  if (SUCCEEDED(result_)) KeepingLastError(::CoUninitialize);
  result_ = E_FAIL;
}
