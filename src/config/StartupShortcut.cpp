#include "config/StartupShortcut.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <cwchar>
#include <string>

#include "base/Handles.h"
#include "base/Helpers.h"
#include "base/SystemSeams.h"

namespace {

constexpr wchar_t kShortcutName[] = L"Umbraline.lnk";
constexpr wchar_t kShortcutDescription[] = L"Umbraline";

std::wstring ShortcutPath() {
  wchar_t folder[MAX_PATH] = {};
  if (FAILED(Seams().getFolderPath(nullptr, CSIDL_STARTUP, nullptr, SHGFP_TYPE_CURRENT, folder)) || folder[0] == L'\0')
    return {};
  std::wstring path(folder);
  if (path.back() != L'\\') path += L'\\';
  return path + kShortcutName;
}

// The full long form of a path (8.3 names expanded); the path itself when that fails.
std::wstring LongPath(const std::wstring& path) {
  std::wstring buffer(MAX_PATH, L'\0');
  DWORD length = ::GetLongPathNameW(path.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
  if (length >= buffer.size()) {
    buffer.resize(length);
    length = ::GetLongPathNameW(path.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
  }
  if (length == 0 || length >= buffer.size()) return path;
  buffer.resize(length);
  return buffer;
}

bool SameText(const wchar_t* a, const wchar_t* b) { return ::CompareStringOrdinal(a, -1, b, -1, TRUE) == CSTR_EQUAL; }

// An existing shortcut that already starts this executable, as the program writes it.
bool ShortcutIsCurrent(IShellLinkW& link, IPersistFile& file, const std::wstring& shortcut, const wchar_t* executable) {
  if (::GetFileAttributesW(shortcut.c_str()) == INVALID_FILE_ATTRIBUTES) return false;
  if (FAILED(file.Load(shortcut.c_str(), STGM_READ))) return false;
  wchar_t target[MAX_PATH] = {}, arguments[MAX_PATH] = {}, description[MAX_PATH] = {};
  return SUCCEEDED(link.GetPath(target, MAX_PATH, nullptr, SLGP_RAWPATH)) && SameText(target, executable) &&
         SUCCEEDED(link.GetArguments(arguments, MAX_PATH)) && arguments[0] == L'\0' &&
         SUCCEEDED(link.GetDescription(description, MAX_PATH)) && std::wcscmp(description, kShortcutDescription) == 0;
}

RegistryKeyHandle OpenStartupApprovals(REGSAM access) {
  RegistryKeyHandle key;
  if (::RegOpenKeyExW(HKEY_CURRENT_USER, Seams().startupApprovedKey, 0, access, key.Put()) != ERROR_SUCCESS)
    key.Release();  // nothing to close after a failure
  return key;
}

}  // namespace

std::wstring StartupShortcutPath() { return ShortcutPath(); }

bool StartupApprovalDisabled(unsigned long type, std::span<const std::uint8_t> data) {
  return type == REG_BINARY && !data.empty() && (data[0] & 1) != 0;
}

bool StartupDisabledInWindows() {
  const RegistryKeyHandle key = OpenStartupApprovals(KEY_QUERY_VALUE);
  std::uint8_t data[64] = {};
  DWORD type = REG_NONE, size = sizeof data;
  return key && ::RegQueryValueExW(key.Get(), kShortcutName, nullptr, &type, data, &size) == ERROR_SUCCESS &&
         StartupApprovalDisabled(type, std::span<const std::uint8_t>(data, size));
}

bool EnableStartupInWindows() {
  const RegistryKeyHandle key = OpenStartupApprovals(KEY_SET_VALUE);
  if (!key) return !StartupDisabledInWindows();
  const LSTATUS result = ::RegDeleteValueW(key.Get(), kShortcutName);
  return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND;
}

bool PathWithinFolder(const std::wstring& path, const std::wstring& folder) {
  std::wstring base = folder;
  while (!base.empty() && base.back() == L'\\') base.pop_back();
  if (base.empty() || path.size() <= base.size() || path[base.size()] != L'\\') return false;
  return ::CompareStringOrdinal(path.c_str(), static_cast<int>(base.size()), base.c_str(),
                                static_cast<int>(base.size()), TRUE) == CSTR_EQUAL;
}

bool RunsFromTemporaryFolder(const std::wstring& executable) {
  wchar_t temporary[MAX_PATH + 1] = {};
  const DWORD length = ::GetTempPathW(MAX_PATH + 1, temporary);
  if (length == 0 || length > MAX_PATH) return false;
  return PathWithinFolder(LongPath(executable), LongPath(temporary));
}

bool UpdateStartupShortcut(bool enable) {
  const std::wstring shortcut = ShortcutPath();
  if (shortcut.empty()) return false;

  if (!enable) {
    ::DeleteFileW(shortcut.c_str());
    return ::GetFileAttributesW(shortcut.c_str()) == INVALID_FILE_ATTRIBUTES;
  }

  // A link to an empty or truncated path would start nothing at logon: leave the folder as it is.
  const std::wstring& path = ExecutablePath();
  if (path.empty()) return false;
  const wchar_t* executable = path.c_str();
  // Started from inside a zip or a download folder that will be emptied: a link there would end
  // start at log-on, so neither make one nor move an existing one.
  if (RunsFromTemporaryFolder(executable)) return false;

  ScopedComInit apartment(COINIT_APARTMENTTHREADED);
  bool saved = false;
  {
    ComPtr<IShellLinkW> link;
    if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.PutVoid())))
      return false;
    ComPtr<IPersistFile> file;
    if (FAILED(link->QueryInterface(IID_IPersistFile, file.PutVoid()))) return false;
    // Every settings load comes here: the Startup folder is written only when the link differs.
    if (ShortcutIsCurrent(*link.Get(), *file.Get(), shortcut, executable)) return true;
    // A path the link cannot hold (longer than MAX_PATH) would save a link to nothing.
    if (FAILED(link->SetPath(executable))) return false;
    link->SetArguments(L"");
    link->SetDescription(kShortcutDescription);
    saved = SUCCEEDED(file->Save(shortcut.c_str(), TRUE));
  }
  return saved;
}
