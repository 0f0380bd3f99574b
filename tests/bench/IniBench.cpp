// Loads and saves a config.ini of the largest size the reader accepts.
#include <windows.h>

#include <string>

#include "BenchSupport.h"
#include "config/IniDocument.h"

void RunIniBench() {
  wchar_t temp[MAX_PATH];
  ::GetTempPathW(MAX_PATH, temp);
  const std::wstring path = std::wstring(temp) + L"umbraline-bench.ini";

  // 512 KiB of realistic lines: sections of 40 keys with short values.
  std::wstring text;
  int section = 0;
  while (text.size() < kIniMaxFileBytes - 64) {
    text += L"[Section" + std::to_wstring(section++) + L"]\n";
    for (int key = 0; key < 40 && text.size() < kIniMaxFileBytes - 64; ++key)
      text += L"Key" + std::to_wstring(key) + L" = value " + std::to_wstring(key * 7) + L" ; note\n";
  }
  text.resize(kIniMaxFileBytes - 3);  // ASCII, so bytes equal characters; the mark takes 3
  WriteUtf8FileAtomic(path, text);

  IniDocument document(path);
  const double load = MedianMs(15, [&] { document.Load(); });
  PrintRow("ini: Load 512 KiB file", load, "ms");
  const double save = MedianMs(15, [&] { document.Save(); });
  PrintRow("ini: Save the loaded document", save, "ms");
  const double lookup = MedianMs(15, [&] {
    volatile int sum = 0;
    for (int i = 0; i < 1000; ++i) sum = sum + document.GetInt(L"Section7", L"Key13", 0);
  });
  PrintRow("ini: 1000 GetInt lookups", lookup, "ms");
  ::DeleteFileW(path.c_str());
}
