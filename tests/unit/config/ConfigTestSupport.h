#pragma once
// Helpers for the configuration tests: a private roaming folder, the config path, and files placed
// beside the test executable.
#include <windows.h>
#include <shlobj.h>

#include <optional>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "app/AppState.h"

// Points one of the user's shell folders (a value name under "User Shell Folders", such as
// "AppData" or "Startup") at a fresh temporary folder; restores the value afterwards.
class ScopedShellFolder {
 public:
  explicit ScopedShellFolder(const wchar_t* valueName) : valueName_(valueName) {
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, kKey, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, &key_) != ERROR_SUCCESS) {
      key_ = nullptr;
      return;
    }
    wchar_t buffer[1024] = {};
    DWORD size = sizeof buffer;
    DWORD type = 0;
    if (::RegQueryValueExW(key_, valueName_.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) ==
        ERROR_SUCCESS) {
      saved_ = std::wstring(buffer);
      savedType_ = type;
    }
    Set(folder_.Path(), REG_EXPAND_SZ);
  }
  ~ScopedShellFolder() {
    if (key_ == nullptr) return;
    if (saved_) {
      Set(*saved_, savedType_);
    } else {
      ::RegDeleteValueW(key_, valueName_.c_str());
    }
    ::RegCloseKey(key_);
  }
  ScopedShellFolder(const ScopedShellFolder&) = delete;
  ScopedShellFolder& operator=(const ScopedShellFolder&) = delete;

  bool Active() const { return key_ != nullptr; }
  // Sets the value the shell reads (for example with a trailing backslash).
  void Set(const std::wstring& value, DWORD type) {
    if (key_ == nullptr) return;
    ::RegSetValueExW(key_, valueName_.c_str(), 0, type, reinterpret_cast<const BYTE*>(value.c_str()),
                     static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
  }
  const std::wstring& Path() const { return folder_.Path(); }

 private:
  static constexpr const wchar_t* kKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
  std::wstring valueName_;
  TempFolder folder_;
  HKEY key_ = nullptr;
  std::optional<std::wstring> saved_;
  DWORD savedType_ = REG_EXPAND_SZ;
};

// A private roaming application-data folder, and App().configPath cleared; both restored afterwards.
class ScopedRoamingFolder {
 public:
  ScopedRoamingFolder() : savedConfigPath_(App().configPath) { App().configPath.clear(); }
  ~ScopedRoamingFolder() { App().configPath = savedConfigPath_; }
  ScopedRoamingFolder(const ScopedRoamingFolder&) = delete;
  ScopedRoamingFolder& operator=(const ScopedRoamingFolder&) = delete;

  bool Active() const { return folder_.Active(); }
  void Set(const std::wstring& value, DWORD type) { folder_.Set(value, type); }
  const std::wstring& Path() const { return folder_.Path(); }
  std::wstring ConfigFolder() const { return Path() + L"\\kestov\\Umbraline"; }
  std::wstring ConfigFile() const { return ConfigFolder() + L"\\config.ini"; }

 private:
  std::wstring savedConfigPath_;
  ScopedShellFolder folder_{L"AppData"};
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

// Keeps App().settings for one scope and puts it back afterwards.
class ScopedSettings {
 public:
  ScopedSettings() : saved_(App().settings) {}
  ~ScopedSettings() { App().settings = saved_; }
  ScopedSettings(const ScopedSettings&) = delete;
  ScopedSettings& operator=(const ScopedSettings&) = delete;

 private:
  Settings saved_;
};

// Settings in which every field differs from its default, so a test sees which fields a load set.
inline Settings ScrambledSettings() {
  Settings s;
  s.SleepPrevent = true;
  s.KeepActive = true;
  s.RunAtStartup = false;
  s.IdleThresholdSec = 999;
  s.CheckIntervalSec = 99;
  s.Nudge = NudgeKind::F15;
  s.Language = L"previous";
  s.Action = OverlayAction::BlackAll;
  s.ToggleHotkey = HotkeySpec{kModShift, 0x41};
  s.ClockDisplay = ClockDisplayMode::Elapsed;
  return s;
}

// The Startup-folder shortcut, removed before and after a test.
inline std::wstring StartupShortcutPath() {
  wchar_t folder[MAX_PATH] = {};
  if (FAILED(::SHGetFolderPathW(nullptr, CSIDL_STARTUP, nullptr, SHGFP_TYPE_CURRENT, folder))) return {};
  std::wstring path(folder);
  if (!path.empty() && path.back() != L'\\') path += L'\\';
  return path + L"Umbraline.lnk";
}

class CleanShortcut {
 public:
  CleanShortcut() { ::DeleteFileW(StartupShortcutPath().c_str()); }
  ~CleanShortcut() { ::DeleteFileW(StartupShortcutPath().c_str()); }
  CleanShortcut(const CleanShortcut&) = delete;
  CleanShortcut& operator=(const CleanShortcut&) = delete;
};
