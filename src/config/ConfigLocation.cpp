#include "config/ConfigLocation.h"

#include <windows.h>
#include <knownfolders.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <cstdint>
#include <vector>

#include "app/AppState.h"
#include "base/Handles.h"
#include "base/Helpers.h"
#include "base/SystemSeams.h"
#include "config/IniDocument.h"
#include "resource.h"

namespace {

constexpr wchar_t kConfigSubfolder[] = L"kestov\\Umbraline\\";
constexpr wchar_t kConfigFileName[] = L"config.ini";

std::wstring WithTrailingBackslash(std::wstring folder) {
  if (!folder.empty() && folder.back() != L'\\') folder += L'\\';
  return folder;
}

// The candidate's bytes, unchanged, through a temporary file: a power cut leaves no config.ini or
// the whole one, and none of the candidate's attributes (a read-only template would make every
// later save fail) come along. A candidate the reader could not read (empty, too large) is passed over.
bool CopyCandidate(const std::wstring& candidate, const std::wstring& target) {
  if (::GetFileAttributesW(candidate.c_str()) == INVALID_FILE_ATTRIBUTES) return false;
  std::vector<std::uint8_t> bytes;
  return ReadIniFileBytes(candidate, bytes) && WriteFileAtomic(target, bytes.data(), bytes.size());
}

// Writes the default text the executable carries (RCDATA 103) to target, unchanged, through a
// temporary file.
bool WriteDefaultTextResource(const std::wstring& target) {
  HMODULE module = App().instance != nullptr ? App().instance : ::GetModuleHandleW(nullptr);
  HRSRC found = ::FindResourceW(module, MAKEINTRESOURCEW(IDR_DEFAULT_CONFIG), RT_RCDATA);
  if (found == nullptr) return false;
  HGLOBAL loaded = ::LoadResource(module, found);
  if (loaded == nullptr) return false;
  const DWORD size = ::SizeofResource(module, found);
  const void* bytes = ::LockResource(loaded);
  if (bytes == nullptr || size == 0) return false;
  return WriteFileAtomic(target, bytes, size);
}

}  // namespace

// The older call first: it answers without COM, so start-up does not load COM for it. A folder
// whose path does not fit in MAX_PATH comes from the known-folder call.
std::wstring GetRoamingAppDataFolder() {
  wchar_t buffer[MAX_PATH] = {};
  if (SUCCEEDED(Seams().getFolderPath(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, buffer)) &&
      buffer[0] != L'\0')
    return WithTrailingBackslash(buffer);
  CoTaskString known;
  if (SUCCEEDED(::SHGetKnownFolderPath(FOLDERID_RoamingAppData, 0, nullptr, known.Put())) && known)
    return WithTrailingBackslash(known.Get());
  return {};
}

std::wstring GetConfigFilePath() {
  const std::wstring folder = GetRoamingAppDataFolder() + kConfigSubfolder;
  ::SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr);
  return folder + kConfigFileName;
}

void EnsureConfigFilePath() {
  if (App().configPath.empty()) App().configPath = GetConfigFilePath();
}

void BootstrapConfigFile() {
  EnsureConfigFilePath();
  const std::wstring& target = App().configPath;
  if (::GetFileAttributesW(target.c_str()) != INVALID_FILE_ATTRIBUTES) return;
  // Its folder again too: it may have been deleted while the program ran.
  ::SHCreateDirectoryExW(nullptr, target.substr(0, target.find_last_of(L'\\')).c_str(), nullptr);

  // Sources beside the executable only when its folder is known: an empty folder would turn the
  // candidates into files at the root of the current drive.
  const std::wstring folder = ExecutableFolder();
  if (!folder.empty()) {
    if (CopyCandidate(folder + L"\\config.default.ini", target)) return;
    if (CopyCandidate(folder + L"\\config.ini", target)) return;
  }
  if (WriteDefaultTextResource(target)) return;
  WriteDefaultConfigFile(target);
}

void WriteDefaultConfigFile(const std::wstring& path) {
  IniDocument document(path);
  const auto number = [&document](const IntegerKey& key) {
    document.SetString(key.section, key.name, DecimalText(key.defaultValue).c_str());
  };
  document.SetString(L"General", L"SleepPrevent", L"0");
  document.SetString(L"General", L"KeepActive", L"0");
  document.SetString(L"General", L"RunAtStartup", L"0");
  number(kIdleThresholdKey);
  number(kCheckIntervalKey);
  document.SetString(L"KeepActive", L"Nudge", L"Mouse");
  document.SetString(L"UI", L"Language", L"");
  document.SetString(L"Hotkey", L"Action", L"AwayCurrent");
  document.SetString(L"Hotkey", L"ToggleHotkey", L"VK_V");
  number(kFadeInKey);
  document.SetString(L"Overlay", L"ShowSleepPreventBadge", L"1");
  document.SetString(L"Overlay", L"ShowKeepActiveBadge", L"1");
  number(kBadgeAlphaKey);
  document.SetString(L"Overlay", L"ClockDisplay", L"Time");
  number(kClockFontKey);
  document.Save();
}
