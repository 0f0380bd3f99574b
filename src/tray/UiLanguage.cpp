#include "tray/UiLanguage.h"

#include <windows.h>

#include <cwchar>

#include "app/AppState.h"
#include "base/Helpers.h"
#include "base/SystemSeams.h"

namespace {

// Locale names with their two terminating nulls must fit this buffer.
constexpr std::size_t kLocaleListChars = 89;

std::size_t ColumnOf(UiLanguage language) {
  const auto value = static_cast<std::int32_t>(language);
  if (value < 0 || value >= static_cast<std::int32_t>(kUiLanguageCount))
    return static_cast<std::size_t>(UiLanguage::English);
  return static_cast<std::size_t>(value);
}

}  // namespace

const LanguageWord* FindLanguageWord(std::wstring_view value) {
  if (value.empty()) return nullptr;
  for (const LanguageWord& row : LanguageWords)
    if (EqualsNoCase(value, row.word)) return &row;
  return nullptr;
}

UiLanguage UiLanguageFromLangId(std::uint16_t langId) {
  const unsigned primary = langId & 0x3FFu;
  const unsigned sublanguage = langId >> 10;
  switch (primary) {
    case 0x11: return UiLanguage::Japanese;
    case 0x12: return UiLanguage::Korean;
    case 0x04:  // Taiwan, Hong Kong and Macao write traditional characters
      return (sublanguage == 0x01 || sublanguage == 0x03 || sublanguage == 0x05) ? UiLanguage::ChineseTraditional
                                                                                 : UiLanguage::ChineseSimplified;
    case 0x0C: return UiLanguage::French;
    case 0x07: return UiLanguage::German;
    case 0x10: return UiLanguage::Italian;
    case 0x0A: return UiLanguage::Spanish;
    default: return UiLanguage::English;
  }
}

UiLanguage ResolveUiLanguage(std::wstring_view languageSetting, std::uint16_t userDefaultLangId) {
  if (const LanguageWord* row = FindLanguageWord(languageSetting)) return row->language;
  return UiLanguageFromLangId(userDefaultLangId);
}

std::wstring PreferredUiLanguageList(std::wstring_view languageSetting) {
  const LanguageWord* row = FindLanguageWord(languageSetting);
  if (!row) return {};
  const std::size_t length = std::wcslen(row->localeName);
  if (length + 2 >= kLocaleListChars) return {};
  std::wstring list(row->localeName, length);
  list.push_back(L'\0');
  list.push_back(L'\0');
  return list;
}

UiLanguage GetUiLanguage() { return ResolveUiLanguage(App().settings.Language, Seams().getUserDefaultUILanguage()); }

void ApplyUiLanguage() {
  const std::wstring list = PreferredUiLanguageList(App().settings.Language);
  if (!list.empty() && Seams().setThreadPreferredUILanguages(MUI_LANGUAGE_NAME, list.c_str(), nullptr)) return;
  Seams().setThreadPreferredUILanguages(0, nullptr, nullptr);
}

std::wstring UiText(const wchar_t* english, UiLanguage language) {
  if (!english) return {};
  const std::size_t column = ColumnOf(language);
  const std::size_t key = static_cast<std::size_t>(UiLanguage::English);
  for (const UiStringRow& row : UiStringRows())
    if (std::wcscmp(row.text[key], english) == 0) return row.text[column];
  return english;  // not a text of the tables: shown as given rather than lost
}

// Menu titles hold at most 255 characters and the terminating null.
constexpr std::size_t kTitleChars = 256;

std::wstring FormatMenuTitle(UiLanguage language, std::wstring_view title, std::wstring_view value) {
  const bool fullWidth = language == UiLanguage::Japanese || language == UiLanguage::ChineseSimplified ||
                         language == UiLanguage::ChineseTraditional;
  std::wstring text(title);
  text += fullWidth ? L"\uFF08" : L" (";
  text += value;
  text += fullWidth ? L"\uFF09" : L")";
  return Truncated(text, kTitleChars);
}

std::wstring ModeReasonText(const wchar_t* reasonKey, std::wstring_view program, UiLanguage language) {
  if (reasonKey == nullptr) return {};
  std::wstring text = UiText(reasonKey, language);
  if (const std::size_t at = text.find(L"%s"); at != std::wstring::npos) text.replace(at, 2, program);
  return text;
}

std::wstring LabelWithReason(UiLanguage language, std::wstring_view label, std::wstring_view reason) {
  return reason.empty() ? std::wstring(label) : FormatMenuTitle(language, label, reason);
}
