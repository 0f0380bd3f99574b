#pragma once
// The UI language in force and every user-visible text of the tray in nine languages.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "config/Settings.h"

inline constexpr std::size_t kUiLanguageCount = 9;

// One word accepted in the Language setting, the locale name handed to Windows for it, and the
// language of the program's own texts.
struct LanguageWord {
  const wchar_t* word;
  const wchar_t* localeName;
  UiLanguage language;
};

// The accepted words, searched in this order.
extern const std::array<LanguageWord, 27> LanguageWords;

// One text in every language, indexed by UiLanguage; the English column is the key. The tooltip
// suffixes are keyed by their whole English text including the separator, e.g. L" | Black screen".
struct UiStringRow {
  std::array<const wchar_t*, kUiLanguageCount> text;
};
std::span<const UiStringRow> UiStringRows();

// The language in force: from the Language setting, else from the user's Windows UI language.
UiLanguage GetUiLanguage();
// Sets the calling thread's preferred UI languages to match the Language setting.
void ApplyUiLanguage();
// The text whose English form is `english`, in `language` (English for values outside 0..8).
std::wstring UiText(const wchar_t* english, UiLanguage language);

// The row of LanguageWords whose word equals the whole value, ignoring case; null if none.
const LanguageWord* FindLanguageWord(std::wstring_view value);
// The language of the program's texts for a Windows LANGID.
UiLanguage UiLanguageFromLangId(std::uint16_t langId);
// GetUiLanguage over plain values.
UiLanguage ResolveUiLanguage(std::wstring_view languageSetting, std::uint16_t userDefaultLangId);
// The double-null-terminated list of one locale name for SetThreadPreferredUILanguages, or an
// empty string when the setting names no language (the thread's list is then cleared).
std::wstring PreferredUiLanguageList(std::wstring_view languageSetting);

// A submenu title: the title text and the current value in parentheses, full-width without a
// blank for Japanese and Chinese, "title (value)" otherwise; at most 255 characters.
std::wstring FormatMenuTitle(UiLanguage language, std::wstring_view title, std::wstring_view value);
// The reason a mode is in force or paused, given by the English key of its text ("while %s runs",
// "paused: on battery", ...) with the program's name put for %s; empty for a null key.
std::wstring ModeReasonText(const wchar_t* reasonKey, std::wstring_view program, UiLanguage language);
// A mode's label followed by its reason as FormatMenuTitle puts a value; the label alone without one.
std::wstring LabelWithReason(UiLanguage language, std::wstring_view label, std::wstring_view reason);
