// Reading and writing the settings as the program does: a load at every menu opening, a save at
// every menu change, four fresh reads for every overlay picture.
#include <windows.h>

#include <string>

#include "BenchSupport.h"
#include "app/AppState.h"
#include "config/ConfigLoad.h"
#include "config/ConfigSave.h"
#include "config/IniDocument.h"

namespace {

std::wstring ResourceDefaultText() {
  HRSRC found = ::FindResourceW(nullptr, MAKEINTRESOURCEW(103), MAKEINTRESOURCEW(10));
  const DWORD size = found ? ::SizeofResource(nullptr, found) : 0;
  const char* bytes = found ? static_cast<const char*>(::LockResource(::LoadResource(nullptr, found))) : nullptr;
  if (!bytes || size == 0) return {};
  std::wstring text(size, L'\0');
  text.resize(static_cast<std::size_t>(
      ::MultiByteToWideChar(CP_UTF8, 0, bytes, static_cast<int>(size), text.data(), static_cast<int>(size))));
  return text;
}

void OverlayPictureReads() {
  IniDocument alpha(L"");
  if (ReloadConfigDocument(alpha)) ReadOverlayInt(alpha, L"BadgeAlpha", 64, 0, 255);
  IniDocument font(L"");
  if (ReloadConfigDocument(font)) ReadOverlayInt(font, L"ClockFontPt", 32, 8, 96);
  ReadShowSleepPreventBadge();
  ReadShowKeepActiveBadge();
}

}  // namespace

void RunConfigBench() {
  wchar_t temp[MAX_PATH];
  ::GetTempPathW(MAX_PATH, temp);
  const std::wstring saved = App().configPath;
  App().configPath = std::wstring(temp) + L"umbraline-bench-config.ini";

  WriteUtf8FileAtomic(App().configPath, ResourceDefaultText());
  PrintRow("config: LoadConfig, default file", MedianMs(31, [] { LoadConfig(); }), "ms");
  PrintRow("config: SaveConfig, default file", MedianMs(31, [] { SaveConfig(); }), "ms");
  PrintRow("config: overlay picture reads (4), default file", MedianMs(31, OverlayPictureReads), "ms");

  // The largest file the reader accepts, with the program's keys in the middle of it.
  std::wstring text = L"[General]\nSleepPrevent=0\n";
  for (int section = 0; text.size() < kIniMaxFileBytes - 4096; ++section) {
    text += L"[Extra" + std::to_wstring(section) + L"]\n";
    for (int key = 0; key < 40; ++key) text += L"Key" + std::to_wstring(key) + L"=value\n";
  }
  text += L"[Overlay]\nBadgeAlpha=64\n";
  WriteUtf8FileAtomic(App().configPath, text);
  PrintRow("config: LoadConfig, 508 KiB file", MedianMs(15, [] { LoadConfig(); }), "ms");
  PrintRow("config: overlay picture reads, 508 KiB file", MedianMs(15, OverlayPictureReads), "ms");

  ::DeleteFileW(App().configPath.c_str());
  App().configPath = saved;
}
