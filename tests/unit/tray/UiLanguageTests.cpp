#include <windows.h>

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "app/AppState.h"
#include "app/SystemSeams.h"
#include "tray/TraySupport.h"
#include "tray/UiLanguage.h"

namespace {

struct WordCase {
  const wchar_t* word;
  const wchar_t* locale;
  UiLanguage language;
};

// The accepted words in their search order.
const WordCase kWords[] = {
    {L"ja", L"ja-JP", UiLanguage::Japanese},       {L"ja-JP", L"ja-JP", UiLanguage::Japanese},
    {L"japanese", L"ja-JP", UiLanguage::Japanese}, {L"en", L"en-US", UiLanguage::English},
    {L"en-US", L"en-US", UiLanguage::English},     {L"english", L"en-US", UiLanguage::English},
    {L"ko", L"ko-KR", UiLanguage::Korean},         {L"ko-KR", L"ko-KR", UiLanguage::Korean},
    {L"korean", L"ko-KR", UiLanguage::Korean},     {L"zh", L"zh-CN", UiLanguage::ChineseSimplified},
    {L"zh-CN", L"zh-CN", UiLanguage::ChineseSimplified},
    {L"zh-Hans", L"zh-CN", UiLanguage::ChineseSimplified},
    {L"chinese", L"zh-CN", UiLanguage::ChineseSimplified},
    {L"zh-TW", L"zh-TW", UiLanguage::ChineseTraditional},
    {L"zh-Hant", L"zh-TW", UiLanguage::ChineseTraditional},
    {L"fr", L"fr-FR", UiLanguage::French},         {L"fr-FR", L"fr-FR", UiLanguage::French},
    {L"french", L"fr-FR", UiLanguage::French},     {L"it", L"it-IT", UiLanguage::Italian},
    {L"it-IT", L"it-IT", UiLanguage::Italian},     {L"italian", L"it-IT", UiLanguage::Italian},
    {L"de", L"de-DE", UiLanguage::German},         {L"de-DE", L"de-DE", UiLanguage::German},
    {L"german", L"de-DE", UiLanguage::German},     {L"es", L"es-ES", UiLanguage::Spanish},
    {L"es-ES", L"es-ES", UiLanguage::Spanish},     {L"spanish", L"es-ES", UiLanguage::Spanish},
};

std::wstring Upper(std::wstring text) {
  for (wchar_t& c : text)
    if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
  return text;
}

std::wstring List(const wchar_t* locale) { return std::wstring(locale) + std::wstring(2, L'\0'); }

TEST(LanguageWords, TableHoldsEveryWordInSearchOrder) {
  ASSERT_EQ(std::size(kWords), LanguageWords.size());
  for (std::size_t i = 0; i < LanguageWords.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_STREQ(kWords[i].word, LanguageWords[i].word);
    EXPECT_STREQ(kWords[i].locale, LanguageWords[i].localeName);
    EXPECT_EQ(kWords[i].language, LanguageWords[i].language);
  }
}

TEST(LanguageWords, EveryWordMatchesInAnyCaseAndGivesItsLocale) {
  // The system language always differs from the word's, so a fallback would show.
  for (const WordCase& c : kWords) {
    for (const std::wstring& spelling : {std::wstring(c.word), Upper(c.word)}) {
      SCOPED_TRACE(testing::Message() << Narrow(spelling));
      const auto system = static_cast<std::uint16_t>(c.language == UiLanguage::Korean ? 0x0409 : 0x0412);
      EXPECT_EQ(c.language, ResolveUiLanguage(spelling, system));
      EXPECT_EQ(List(c.locale), PreferredUiLanguageList(spelling));
    }
  }
  EXPECT_EQ(UiLanguage::Japanese, ResolveUiLanguage(L"Ja-jp", 0x0409));
  EXPECT_EQ(UiLanguage::Japanese, ResolveUiLanguage(L"JAPANESE", 0x0409));
  EXPECT_EQ(UiLanguage::ChineseTraditional, ResolveUiLanguage(L"ZH-hANT", 0x0409));
}

TEST(LanguageWords, OnlyWholeWordsCount) {
  const wchar_t* notWords[] = {L"ja_JP",       L"zh-HK",   L"en-GB", L"ja ; Japanese", L"ja ;",
                               L"japanese ; x", L" ja",    L"ja ",   L"jap",           L"j",
                               L"zh-Hans-CN",  L"deutsch", L"\u0130t"};
  for (const wchar_t* value : notWords) {
    SCOPED_TRACE(testing::Message() << Narrow(value));
    EXPECT_EQ(nullptr, FindLanguageWord(value));
    EXPECT_EQ(UiLanguage::German, ResolveUiLanguage(value, 0x0407));
    EXPECT_EQ(UiLanguage::English, ResolveUiLanguage(value, 0x0816));
    EXPECT_TRUE(PreferredUiLanguageList(value).empty());
  }
  EXPECT_TRUE(PreferredUiLanguageList(L"").empty());
  EXPECT_EQ(UiLanguage::French, ResolveUiLanguage(L"", 0x080C));
}

TEST(UiLanguageFromLangId, FollowsThePrimaryLanguageAndChineseScript) {
  const struct {
    std::uint16_t langId;
    UiLanguage expected;
  } cases[] = {
      {0x0411, UiLanguage::Japanese},           {0x0412, UiLanguage::Korean},
      {0x0404, UiLanguage::ChineseTraditional}, {0x0C04, UiLanguage::ChineseTraditional},
      {0x1404, UiLanguage::ChineseTraditional}, {0x0804, UiLanguage::ChineseSimplified},
      {0x1004, UiLanguage::ChineseSimplified},  {0x0004, UiLanguage::ChineseSimplified},
      {0x7C04, UiLanguage::ChineseSimplified},  {0x040C, UiLanguage::French},
      {0x080C, UiLanguage::French},             {0x0C0C, UiLanguage::French},
      {0x0407, UiLanguage::German},             {0x0807, UiLanguage::German},
      {0x0410, UiLanguage::Italian},            {0x0810, UiLanguage::Italian},
      {0x0C0A, UiLanguage::Spanish},            {0x080A, UiLanguage::Spanish},
      {0x0409, UiLanguage::English},            {0x0809, UiLanguage::English},
      {0x0816, UiLanguage::English},            {0x0416, UiLanguage::English},
      {0x0419, UiLanguage::English},            {0x0000, UiLanguage::English},
      {0xFFFF, UiLanguage::English},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << c.langId);
    EXPECT_EQ(c.expected, UiLanguageFromLangId(c.langId));
  }
}

TEST(GetUiLanguage, SettingWinsOverTheSystemAndFallsBackToIt) {
  ScopedSeams seams;
  ScopedLanguage language(L"");
  FakeUserUiLanguage(0x0411);
  EXPECT_EQ(UiLanguage::Japanese, GetUiLanguage());
  App().settings.Language = L"en";
  EXPECT_EQ(UiLanguage::English, GetUiLanguage());
  App().settings.Language = L"ja ; Japanese";
  EXPECT_EQ(UiLanguage::Japanese, GetUiLanguage());
  FakeUserUiLanguage(0x0C04);
  App().settings.Language = L"zh-HK";
  EXPECT_EQ(UiLanguage::ChineseTraditional, GetUiLanguage());
  App().settings.Language = L"zh-Hans";
  EXPECT_EQ(UiLanguage::ChineseSimplified, GetUiLanguage());
}

// What ApplyUiLanguage asked of SetThreadPreferredUILanguages (Wine accepts the call but keeps no
// per-thread list, so the calls themselves are checked).
struct PreferredCall {
  DWORD flags;
  std::wstring list;  // with its terminating nulls; "<null>" for a null pointer
  bool operator==(const PreferredCall&) const = default;
};
std::vector<PreferredCall> preferredCalls;
BOOL preferredResultForNames = TRUE;

BOOL WINAPI RecordPreferredLanguages(DWORD flags, PCZZWSTR list, PULONG) {
  std::wstring copy = L"<null>";
  if (list) {
    const wchar_t* end = list;
    while (end[0] || end[1]) ++end;
    copy.assign(list, end + 2);
  }
  preferredCalls.push_back({flags, copy});
  return flags == 0 ? TRUE : preferredResultForNames;
}

std::vector<PreferredCall> ApplyWith(const std::wstring& language, BOOL resultForNames = TRUE) {
  ScopedSeams seams;
  seams->setThreadPreferredUILanguages = RecordPreferredLanguages;
  ScopedLanguage scoped(language);
  preferredCalls.clear();
  preferredResultForNames = resultForNames;
  ApplyUiLanguage();
  return preferredCalls;
}

TEST(ApplyUiLanguage, SetsTheLocaleOfAWordOrClearsTheList) {
  const PreferredCall clear{0, L"<null>"};
  using Calls = std::vector<PreferredCall>;
  EXPECT_EQ((Calls{{MUI_LANGUAGE_NAME, List(L"ja-JP")}}), ApplyWith(L"JAPANESE"));
  EXPECT_EQ((Calls{{MUI_LANGUAGE_NAME, List(L"ja-JP")}}), ApplyWith(L"Ja-jp"));
  EXPECT_EQ((Calls{{MUI_LANGUAGE_NAME, List(L"zh-CN")}}), ApplyWith(L"zh-Hans"));
  EXPECT_EQ((Calls{{MUI_LANGUAGE_NAME, List(L"zh-TW")}}), ApplyWith(L"zh-Hant"));
  EXPECT_EQ((Calls{{MUI_LANGUAGE_NAME, List(L"es-ES")}}), ApplyWith(L"Spanish"));
  EXPECT_EQ((Calls{clear}), ApplyWith(L""));
  EXPECT_EQ((Calls{clear}), ApplyWith(L"ja ; Japanese"));
  EXPECT_EQ((Calls{clear}), ApplyWith(L"zh-HK"));
  // A refused locale name falls back to clearing.
  EXPECT_EQ((Calls{{MUI_LANGUAGE_NAME, List(L"de-DE")}, clear}), ApplyWith(L"de", FALSE));
}

TEST(ApplyUiLanguage, EnglishOnAJapaneseSystemAndBack) {
  ScopedSeams seams;
  FakeUserUiLanguage(0x0411);
  ScopedLanguage language(L"en");
  ApplyUiLanguage();
  EXPECT_EQ(UiLanguage::English, GetUiLanguage());
  App().settings.Language = L"";
  ApplyUiLanguage();
  EXPECT_EQ(UiLanguage::Japanese, GetUiLanguage());
}

TEST(UiStrings, EveryKeyHasNineTextsAndKeysAreUnique) {
  std::set<std::wstring> keys;
  ASSERT_EQ(22u, UiStringRows().size());
  for (const UiStringRow& row : UiStringRows()) {
    const std::wstring key = row.text[static_cast<std::size_t>(UiLanguage::English)];
    SCOPED_TRACE(Narrow(key));
    EXPECT_TRUE(keys.insert(key).second);
    for (const wchar_t* text : row.text) {
      ASSERT_NE(nullptr, text);
      EXPECT_NE(L'\0', text[0]);
    }
  }
}

TEST(UiStrings, TooltipSuffixesStartWithTheSeparatorInEveryLanguage) {
  for (const wchar_t* key : {L" | Sleep prevent ON", L" | Keep active ON", L" | Black screen"}) {
    for (int language = 0; language < 9; ++language) {
      const std::wstring text = UiText(key, static_cast<UiLanguage>(language));
      EXPECT_EQ(L" | ", text.substr(0, 3));
      EXPECT_GT(text.size(), 3u);
    }
  }
}

TEST(UiText, GivesTheColumnOfTheLanguage) {
  const struct {
    const wchar_t* key;
    UiLanguage language;
    const wchar_t* expected;
  } cases[] = {
      {L"Prevent sleep", UiLanguage::Japanese, L"\u30B9\u30EA\u30FC\u30D7\u9632\u6B62"},
      {L"Prevent sleep", UiLanguage::German, L"Ruhezustand verhindern"},
      {L"Keep running", UiLanguage::ChineseSimplified, L"\u4FDD\u6301\u8FD0\u884C"},
      {L"Keep running", UiLanguage::ChineseTraditional, L"\u4FDD\u6301\u904B\u4F5C"},
      {L"Keep running", UiLanguage::French, L"Maintenir l'activit\u00E9"},
      {L"Black screen", UiLanguage::Japanese, L"\u9ED2\u753B\u9762"},
      {L" | Black screen", UiLanguage::Japanese, L" | \u9ED2\u753B\u9762\u4E2D"},
      {L" | Black screen", UiLanguage::Korean, L" | \uD751\uD654\uBA74"},
      {L" | Sleep prevent ON", UiLanguage::French, L" | Veille OFF"},
      {L" | Sleep prevent ON", UiLanguage::German, L" | Ruhezustand AUS"},
      {L" | Keep active ON", UiLanguage::ChineseTraditional, L" | \u4FDD\u6301\u4F7F\u7528\u4E2D ON"},
      {L"Monitor with cursor", UiLanguage::Italian, L"Monitor con cursore"},
      {L"Monitor with cursor", UiLanguage::Spanish, L"Monitor con cursor"},
      {L"Exit Umbraline", UiLanguage::Japanese, L"Umbraline \u3092\u7D42\u4E86"},
      {L"Exit Umbraline", UiLanguage::Korean, L"Umbraline \uC885\uB8CC"},
      {L"Disabled", UiLanguage::ChineseTraditional, L"\u505C\u7528"},
      {L"Time", UiLanguage::ChineseTraditional, L"\u6642\u523B"},
      {L"None", UiLanguage::Italian, L"Nessuna"},
      {L"Elapsed time", UiLanguage::Spanish, L"Tiempo transcurrido"},
      {L"Clock display", UiLanguage::German, L"Uhranzeige"},
      {L"Hotkey action", UiLanguage::Korean, L"\uB2E8\uCD95\uD0A4 \uC2E4\uD589"},
      {L"Hotkey:", UiLanguage::German, L"Hotkey:"},
      {L"Run at Windows startup", UiLanguage::Italian, L"Avvia all'avvio di Windows"},
      {L"Black screen (monitor with cursor)", UiLanguage::French, L"\u00C9cran noir (\u00E9cran du curseur)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << Narrow(c.key) << " / " << static_cast<int>(c.language));
    EXPECT_EQ(std::wstring(c.expected), UiText(c.key, c.language));
  }
}

TEST(UiText, SpecialCharactersAreExact) {
  // Compared code unit by code unit, written only with escapes.
  const struct {
    const wchar_t* key;
    UiLanguage language;
    std::vector<wchar_t> expected;
  } cases[] = {
      {L"About\u2026", UiLanguage::English, {L'A', L'b', L'o', L'u', L't', 0x2026}},
      {L"About\u2026", UiLanguage::German, {L'I', L'n', L'f', L'o', 0x2026}},
      {L"Hotkey:", UiLanguage::French, {L'R', L'a', L'c', L'c', L'o', L'u', L'r', L'c', L'i', 0x00A0, L':'}},
      {L"Hotkey:", UiLanguage::Japanese, {0x30DB, 0x30C3, 0x30C8, 0x30AD, 0x30FC, L':'}},
      {L"Time and elapsed", UiLanguage::Japanese, {0x6642, 0x523B, 0xFF0B, 0x7D4C, 0x904E, 0x6642, 0x9593}},
      {L"Time and elapsed", UiLanguage::Korean, {0xC2DC, 0xAC01, L' ', L'+', L' ', 0xACBD, 0xACFC, L' ', 0xC2DC, 0xAC04}},
      {L"Time and elapsed", UiLanguage::ChineseSimplified, {0x65F6, 0x523B, L' ', L'+', L' ', 0x7ECF, 0x8FC7, 0x65F6, 0x95F4}},
      {L"Black screen (all monitors)",
       UiLanguage::Japanese,
       {0x9ED2, 0x753B, 0x9762, 0xFF08, 0x3059, 0x3079, 0x3066, 0x306E, 0x30E2, 0x30CB, 0x30BF, 0x30FC, 0xFF09}},
      {L"Black screen (all monitors)", UiLanguage::ChineseSimplified,
       {0x9ED1, 0x5C4F, 0xFF08, 0x6240, 0x6709, 0x663E, 0x793A, 0x5668, 0xFF09}},
      {L"Edit config.ini (advanced)\u2026", UiLanguage::Korean,
       {L'c', L'o', L'n', L'f', L'i', L'g', L'.', L'i', L'n', L'i', L' ', 0xC9C1, 0xC811, L' ', 0xD3B8, 0xC9D1, L'(',
        0xACE0, 0xAE09, L')', 0x2026}},
      {L"Edit config.ini (advanced)\u2026", UiLanguage::ChineseTraditional,
       {0x76F4, 0x63A5, 0x7DE8, 0x8F2F, L' ', L'c', L'o', L'n', L'f', L'i', L'g', L'.', L'i', L'n', L'i', 0xFF08, 0x9032,
        0x968E, 0xFF09, 0x2026}},
      {L"Run at Windows startup", UiLanguage::Japanese,
       {L'W', L'i', L'n', L'd', L'o', L'w', L's', 0x8D77, 0x52D5, 0x6642, 0x306B, 0x958B, 0x59CB}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << Narrow(c.key) << " / " << static_cast<int>(c.language));
    const std::wstring text = UiText(c.key, c.language);
    EXPECT_EQ(c.expected, std::vector<wchar_t>(text.begin(), text.end()));
  }
  // No plain-dot ellipsis or ASCII-only spacing slipped into any language.
  for (int language = 0; language < 9; ++language) {
    EXPECT_EQ(0x2026, UiText(L"About\u2026", static_cast<UiLanguage>(language)).back());
    EXPECT_EQ(0x2026, UiText(L"Edit config.ini (advanced)\u2026", static_cast<UiLanguage>(language)).back());
    EXPECT_NE(std::wstring::npos, UiText(L"Exit Umbraline", static_cast<UiLanguage>(language)).find(L"Umbraline"));
  }
}

TEST(UiText, OutOfRangeLanguagesAndUnknownKeys) {
  for (int value : {-1, 9, 100}) {
    EXPECT_EQ(L"Prevent sleep", UiText(L"Prevent sleep", static_cast<UiLanguage>(value)));
    EXPECT_EQ(L" | Keep active ON", UiText(L" | Keep active ON", static_cast<UiLanguage>(value)));
  }
  EXPECT_EQ(L"Not a text", UiText(L"Not a text", UiLanguage::Japanese));
  EXPECT_EQ(L"", UiText(nullptr, UiLanguage::English));
}

}  // namespace
