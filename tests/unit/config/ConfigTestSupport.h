#pragma once
// Helpers for the configuration tests: a private roaming folder, the config path, and files placed
// beside the test executable.
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "app/AppState.h"

// Points the user's roaming application-data folder at a fresh temporary folder (through the
// per-user shell folder value the shell reads) and clears App().configPath; restores both afterwards.
class ScopedRoamingFolder {
 public:
  ScopedRoamingFolder() : savedConfigPath_(App().configPath) {
    App().configPath.clear();
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, kKey, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, &key_) != ERROR_SUCCESS) {
      key_ = nullptr;
      return;
    }
    wchar_t buffer[1024] = {};
    DWORD size = sizeof buffer;
    DWORD type = 0;
    if (::RegQueryValueExW(key_, L"AppData", nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) ==
        ERROR_SUCCESS) {
      saved_ = std::wstring(buffer);
      savedType_ = type;
    }
    Set(folder_.Path(), REG_EXPAND_SZ);
  }
  ~ScopedRoamingFolder() {
    if (key_ != nullptr) {
      if (saved_) {
        Set(*saved_, savedType_);
      } else {
        ::RegDeleteValueW(key_, L"AppData");
      }
      ::RegCloseKey(key_);
    }
    App().configPath = savedConfigPath_;
  }
  ScopedRoamingFolder(const ScopedRoamingFolder&) = delete;
  ScopedRoamingFolder& operator=(const ScopedRoamingFolder&) = delete;

  bool Active() const { return key_ != nullptr; }
  // Sets the value the shell reads (for example with a trailing backslash).
  void Set(const std::wstring& value, DWORD type) {
    ::RegSetValueExW(key_, L"AppData", 0, type, reinterpret_cast<const BYTE*>(value.c_str()),
                     static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
  }
  const std::wstring& Path() const { return folder_.Path(); }
  std::wstring ConfigFolder() const { return folder_.Path() + L"\\kestov\\Umbraline"; }
  std::wstring ConfigFile() const { return ConfigFolder() + L"\\config.ini"; }

 private:
  static constexpr const wchar_t* kKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
  TempFolder folder_;
  HKEY key_ = nullptr;
  std::optional<std::wstring> saved_;
  DWORD savedType_ = REG_EXPAND_SZ;
  std::wstring savedConfigPath_;
};

// Files and folders created beside the test executable; each is removed at the end of the scope.
class BesideExecutable {
 public:
  BesideExecutable() = default;
  ~BesideExecutable() {
    for (auto it = created_.rbegin(); it != created_.rend(); ++it) {
      ::SetFileAttributesW(it->c_str(), FILE_ATTRIBUTE_NORMAL);
      if (!::DeleteFileW(it->c_str())) RemoveTree(*it);
    }
  }
  BesideExecutable(const BesideExecutable&) = delete;
  BesideExecutable& operator=(const BesideExecutable&) = delete;

  bool File(const std::wstring& name, const Bytes& bytes) {
    const std::wstring path = Track(name);
    return WriteBytes(path, bytes);
  }
  bool Folder(const std::wstring& name) { return ::CreateDirectoryW(Track(name).c_str(), nullptr) != FALSE; }

 private:
  std::wstring Track(const std::wstring& name) {
    created_.push_back(ExecutableFolder() + L"\\" + name);
    return created_.back();
  }
  std::vector<std::wstring> created_;
};

// Bytes of the default text as it stands in the source tree.
inline Bytes DefaultTextBytes() { return ReadBytesOrEmpty(SourcePath(L"resources/default-config.ini")); }
