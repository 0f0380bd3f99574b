#pragma once
// Surroundings for the configuration tests.
#include <windows.h>
#include <shlobj.h>

#include <cwchar>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "app/AppState.h"
#include "base/SystemSeams.h"

inline std::wstring StartupShortcutPath() {
  wchar_t folder[MAX_PATH] = {};
  ::SHGetFolderPathW(nullptr, CSIDL_STARTUP, nullptr, SHGFP_TYPE_CURRENT, folder);
  return std::wstring(folder) + L"\\Umbraline.lnk";
}

inline std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }
inline Bytes DefaultTextBytes() { return ReadBytesOrEmpty(SourcePath(L"resources/default-config.ini")); }

inline std::vector<std::wstring> languageLists;  // each list handed to the thread, items ended by '|'

// The user's roaming folder pointed at a fresh temporary one, App().configPath cleared, no Startup
// shortcut, the thread's UI languages recorded instead of set; all put back at the end of the scope.
class ConfigScope {
 public:
  ConfigScope() {
    ::RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders",
                    0, KEY_QUERY_VALUE | KEY_SET_VALUE, &key_);
    DWORD size = sizeof saved_ - sizeof(wchar_t);
    had_ = ::RegQueryValueExW(key_, L"AppData", nullptr, &type_, reinterpret_cast<BYTE*>(saved_), &size) == 0;
    SetAppData(roaming.Path(), REG_EXPAND_SZ);
    App().configPath.clear();
    ::DeleteFileW(StartupShortcutPath().c_str());
    languageLists.clear();
    seams_->setThreadPreferredUILanguages = [](DWORD, PCZZWSTR list, PULONG) -> BOOL {
      std::wstring& joined = languageLists.emplace_back();
      for (const wchar_t* p = list; p != nullptr && *p; p += std::wcslen(p) + 1) (joined += p) += L'|';
      return TRUE;
    };
  }
  ~ConfigScope() {
    ::DeleteFileW(StartupShortcutPath().c_str());
    App().settings = settings_;
    App().configPath = path_;
    had_ ? SetAppData(saved_, type_) : void(::RegDeleteValueW(key_, L"AppData"));
    ::RegCloseKey(key_);
  }
  void SetAppData(const std::wstring& value, DWORD type) {
    ::RegSetValueExW(key_, L"AppData", 0, type, reinterpret_cast<const BYTE*>(value.c_str()),
                     static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
  }
  std::wstring File() const { return roaming.Path() + L"\\kestov\\Umbraline\\config.ini"; }
  TempFolder roaming;

 private:
  HKEY key_ = nullptr;
  wchar_t saved_[1024] = {};
  DWORD type_ = REG_EXPAND_SZ;
  bool had_ = false;
  Settings settings_ = App().settings;
  std::wstring path_ = App().configPath;
  ScopedSeams seams_;
};
