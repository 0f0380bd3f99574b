#include "config/StartupShortcut.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <string>

#include "base/Handles.h"

namespace {

constexpr wchar_t kShortcutName[] = L"Umbraline.lnk";
constexpr wchar_t kShortcutDescription[] = L"Umbraline";

std::wstring ShortcutPath() {
  wchar_t folder[MAX_PATH] = {};
  if (FAILED(::SHGetFolderPathW(nullptr, CSIDL_STARTUP, nullptr, SHGFP_TYPE_CURRENT, folder)) || folder[0] == L'\0')
    return {};
  std::wstring path(folder);
  if (path.back() != L'\\') path += L'\\';
  return path + kShortcutName;
}

}  // namespace

bool UpdateStartupShortcut(bool enable) {
  const std::wstring shortcut = ShortcutPath();
  if (shortcut.empty()) return false;

  if (!enable) {
    ::DeleteFileW(shortcut.c_str());
    return ::GetFileAttributesW(shortcut.c_str()) == INVALID_FILE_ATTRIBUTES;
  }

  // A link to an empty or truncated path would start nothing at logon: leave the folder as it is.
  wchar_t executable[MAX_PATH] = {};
  const DWORD length = ::GetModuleFileNameW(nullptr, executable, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return false;

  ScopedComInit apartment(COINIT_APARTMENTTHREADED);
  bool saved = false;
  {
    ComPtr<IShellLinkW> link;
    if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.PutVoid())))
      return false;
    link->SetPath(executable);
    link->SetDescription(kShortcutDescription);
    ComPtr<IPersistFile> file;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, file.PutVoid())))
      saved = SUCCEEDED(file->Save(shortcut.c_str(), TRUE));
  }
  return saved;
}
