#pragma once
// The UI language in force and every user-visible text of the tray in nine languages.
#include <string>

#include "config/Settings.h"

// The language in force: from the Language setting, else from the user's Windows UI language.
UiLanguage GetUiLanguage();
// Sets the calling thread's preferred UI languages to match the Language setting.
void ApplyUiLanguage();
// The text whose English form is `english`, in `language` (English for values outside 0..8).
std::wstring UiText(const wchar_t* english, UiLanguage language);
