#pragma once
// Helpers for the tray tests: the Language setting and the user's UI language for one scope.
#include <windows.h>

#include <string>

#include "app/AppState.h"
#include "app/SystemSeams.h"

namespace tray_test {
inline LANGID fakeUserUiLanguage = 0x0409;
inline LANGID WINAPI FakeGetUserDefaultUILanguage() { return fakeUserUiLanguage; }
}  // namespace tray_test

// Makes Seams().getUserDefaultUILanguage report `langId` (restore the seams with ScopedSeams).
inline void FakeUserUiLanguage(LANGID langId) {
  tray_test::fakeUserUiLanguage = langId;
  Seams().getUserDefaultUILanguage = tray_test::FakeGetUserDefaultUILanguage;
}

// Sets App().settings.Language for one scope; afterwards restores it and clears the thread's
// preferred UI languages.
class ScopedLanguage {
 public:
  explicit ScopedLanguage(const std::wstring& language) : saved_(App().settings.Language) {
    App().settings.Language = language;
  }
  ~ScopedLanguage() {
    App().settings.Language = saved_;
    ::SetThreadPreferredUILanguages(0, nullptr, nullptr);
  }
  ScopedLanguage(const ScopedLanguage&) = delete;
  ScopedLanguage& operator=(const ScopedLanguage&) = delete;

 private:
  std::wstring saved_;
};
