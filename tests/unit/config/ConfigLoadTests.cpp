#include "config/ConfigLoad.h"

#include <gtest/gtest.h>

#include <cwchar>
#include <functional>

#include "ConfigTestSupport.h"
#include "app/SystemSeams.h"
#include "config/ConfigLocation.h"
#include "tray/UiLanguage.h"

namespace {

// Records what ApplyUiLanguage hands to the thread.
int languageCalls = 0;
std::wstring languageList;
BOOL WINAPI RecordPreferredLanguages(DWORD, PCZZWSTR list, PULONG) {
  ++languageCalls;
  languageList.clear();
  if (list != nullptr)
    for (const wchar_t* p = list; *p; p += std::wcslen(p) + 1) (languageList += p) += L'|';
  return TRUE;
}

class RecordLanguage {
 public:
  RecordLanguage() {
    languageCalls = 0;
    languageList.clear();
    seams_->setThreadPreferredUILanguages = RecordPreferredLanguages;
  }

 private:
  ScopedSeams seams_;
};

IniDocument FromText(const std::wstring& text) {
  IniDocument document(L"");
  document.Parse(text);
  return document;
}

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

struct ApplyCase {
  std::wstring text;
  std::function<void(Settings&)> expect;  // applied to the defaults
};

}  // namespace

TEST(ConfigLoad, ApplySetsEveryFieldByTheRules) {
  const std::wstring long70(70, L'x');
  const std::wstring surrogateAt63 = std::wstring(62, L'a') + L"\U0001F600" + L"bcd";
  const std::vector<ApplyCase> cases = {
      {L"[General]\n[KeepActive]\n[UI]\n[Hotkey]\n[Overlay]", [](Settings&) {}},
      {L"", [](Settings&) {}},
      {L"[General]\nSleepPrevent=true\nKeepActive=1 ; on\nRunAtStartup=yes", [](Settings& s) { s.KeepActive = true; }},
      {L"[General]\nSleepPrevent=2\nKeepActive=-1\nRunAtStartup=0",
       [](Settings& s) { s.SleepPrevent = s.KeepActive = true; }},
      {L"[general]\nSleepPrevent=1", [](Settings&) {}},  // sections are exact
      {L"[General]\nsleepprevent=1", [](Settings&) {}},  // keys are exact
      {L"[KeepActive]\nIdleThresholdSec=59\nCheckIntervalSec=0",
       [](Settings& s) { s.IdleThresholdSec = 60; s.CheckIntervalSec = 10; }},
      {L"[KeepActive]\nIdleThresholdSec=3601\nCheckIntervalSec=601",
       [](Settings& s) { s.IdleThresholdSec = 3600; s.CheckIntervalSec = 600; }},
      {L"[KeepActive]\nIdleThresholdSec=30\nCheckIntervalSec=-5",
       [](Settings& s) { s.IdleThresholdSec = 60; s.CheckIntervalSec = 10; }},
      {L"[KeepActive]\nIdleThresholdSec=9999\nCheckIntervalSec=99999999999",
       [](Settings& s) { s.IdleThresholdSec = 3600; s.CheckIntervalSec = 600; }},
      {L"[KeepActive]\nIdleThresholdSec=abc\nCheckIntervalSec=", [](Settings&) {}},
      {L"[KeepActive]\nIdleThresholdSec=300 ; five minutes\nCheckIntervalSec=20s",
       [](Settings& s) { s.IdleThresholdSec = 300; s.CheckIntervalSec = 20; }},
      {L"[KeepActive]\nNudge=vk_f15", [](Settings& s) { s.Nudge = NudgeKind::F15; }},
      {L"[KeepActive]\nNudge=f15", [](Settings& s) { s.Nudge = NudgeKind::F15; }},
      {L"[KeepActive]\nNudge=F16", [](Settings&) {}},
      {L"[KeepActive]\nNudge=F15 ; tap", [](Settings&) {}},
      {L"[Hotkey]\nAction=blackcurrent", [](Settings& s) { s.Action = OverlayAction::BlackCurrent; }},
      {L"[Hotkey]\nAction=BLACKALL", [](Settings& s) { s.Action = OverlayAction::BlackAll; }},
      {L"[Hotkey]\nAction=awayall", [](Settings& s) { s.Action = OverlayAction::AwayAll; }},
      {L"[Hotkey]\nAction=Away", [](Settings&) {}},
      {L"[Overlay]\nClockDisplay=", [](Settings& s) { s.ClockDisplay = ClockDisplayMode::None; }},
      {L"[Overlay]\nClockDisplay=BOTH", [](Settings& s) { s.ClockDisplay = ClockDisplayMode::TimeAndElapsed; }},
      {L"[Overlay]\nClockDisplay=time+elapsed", [](Settings& s) { s.ClockDisplay = ClockDisplayMode::TimeAndElapsed; }},
      {L"[Overlay]\nClockDisplay=ElapsedTime", [](Settings& s) { s.ClockDisplay = ClockDisplayMode::Elapsed; }},
      {L"[Overlay]\nClockDisplay=off", [](Settings& s) { s.ClockDisplay = ClockDisplayMode::None; }},
      {L"[Overlay]\nClockDisplay=0", [](Settings& s) { s.ClockDisplay = ClockDisplayMode::None; }},
      {L"[Overlay]\nClockDisplay=Clock", [](Settings&) {}},
      {L"[Overlay]\nShowOverlayClock=0", [](Settings& s) { s.ClockDisplay = ClockDisplayMode::None; }},
      {L"[Overlay]\nShowOverlayClock=7", [](Settings&) {}},
      {L"[Overlay]\nShowOverlayClock=abc", [](Settings&) {}},
      {L"[Overlay]\nClockDisplay=weird\nShowOverlayClock=0", [](Settings&) {}},
      {L"[overlay]\nClockDisplay=None", [](Settings&) {}},  // exact section for the in-memory key
      {L"[Hotkey]\nToggleHotkey=Ctrl+Alt+VK_OEM_4", [](Settings&) {}},
      {L"[Hotkey]\nToggleHotkey=Shift+VK_OEM_6", [](Settings&) {}},
      {L"[Hotkey]\nToggleHotkey=0xDB", [](Settings&) {}},
      {L"[Hotkey]\nToggleHotkey=Ctrl+Alt+Nonsense", [](Settings&) {}},
      {L"[Hotkey]\nToggleHotkey=none", [](Settings& s) { s.ToggleHotkey = HotkeySpec{0x3, 0}; }},
      {L"[Hotkey]\nToggleHotkey=", [](Settings& s) { s.ToggleHotkey = HotkeySpec{0x3, 0}; }},
      {L"[Hotkey]\nToggleHotkey=Shift+VK_F1", [](Settings& s) { s.ToggleHotkey = HotkeySpec{0x4, 0x70}; }},
      {L"[Hotkey]\nToggleHotkey=VK_B", [](Settings& s) { s.ToggleHotkey = HotkeySpec{0x3, 0x42}; }},
      {L"[UI]\nLanguage=" + long70, [&](Settings& s) { s.Language = long70.substr(0, 63); }},
      {L"[UI]\nLanguage=ja", [](Settings& s) { s.Language = L"ja"; }},
      {L"[UI]\nLanguage=", [](Settings&) {}},
      {L"[UI]\nLanguage=" + surrogateAt63, [](Settings& s) { s.Language = std::wstring(62, L'a'); }},
  };
  ScopedSettings keep;
  CleanShortcut clean;
  RecordLanguage language;
  for (const ApplyCase& c : cases) {
    SCOPED_TRACE(Narrow(c.text));
    Settings expected;
    c.expect(expected);
    App().settings = ScrambledSettings();
    ApplyConfigDocument(FromText(c.text));
    EXPECT_EQ(App().settings, expected);
    EXPECT_EQ(App().settings.Language, expected.Language);
    EXPECT_LE(App().settings.Language.size(), kLanguageMaxChars);
  }
  EXPECT_EQ(languageCalls, static_cast<int>(cases.size()));
}

TEST(ConfigLoad, ApplyUsesTheLanguageJustReadAndReconcilesTheShortcut) {
  ScopedSettings keep;
  CleanShortcut clean;
  RecordLanguage language;
  ApplyConfigDocument(FromText(L"[UI]\nLanguage=de\n[General]\nRunAtStartup=1"));
  EXPECT_EQ(languageCalls, 1);
  const std::wstring expectedList = PreferredUiLanguageList(L"de");
  ASSERT_FALSE(expectedList.empty());
  EXPECT_EQ(languageList, std::wstring(expectedList.c_str()) + L"|");
  EXPECT_TRUE(PathExists(StartupShortcutPath()));

  // The shortcut comes back after a manual delete while the setting is on ...
  ::DeleteFileW(StartupShortcutPath().c_str());
  ApplyConfigDocument(FromText(L"[General]\nRunAtStartup=1"));
  EXPECT_TRUE(PathExists(StartupShortcutPath()));
  // ... and goes with the setting off.
  ApplyConfigDocument(FromText(L"[General]\nRunAtStartup=0"));
  EXPECT_FALSE(PathExists(StartupShortcutPath()));
}

TEST(ConfigLoad, LoadConfigBootstrapsAndFollowsHandEdits) {
  ScopedRoamingFolder roaming;
  ScopedSettings keep;
  CleanShortcut clean;
  RecordLanguage language;
  App().settings = ScrambledSettings();
  LoadConfig();
  EXPECT_EQ(App().configPath, roaming.ConfigFile());
  EXPECT_EQ(ReadBytesOrEmpty(roaming.ConfigFile()), DefaultTextBytes());
  EXPECT_EQ(App().settings, Settings{});

  ASSERT_TRUE(WriteBytes(roaming.ConfigFile(),
                         ToBytes("[KeepActive]\nIdleThresholdSec=600\nNudge=F15\n[UI]\nLanguage=fr\n"
                                 "[Hotkey]\nToggleHotkey=Ctrl+Shift+VK_F2\n[General]\nRunAtStartup=1\n")));
  EXPECT_FALSE(PathExists(StartupShortcutPath()));
  LoadConfig();
  EXPECT_TRUE(PathExists(StartupShortcutPath()));
  EXPECT_EQ(App().settings.IdleThresholdSec, 600u);
  EXPECT_EQ(App().settings.Nudge, NudgeKind::F15);
  EXPECT_EQ(App().settings.Language, L"fr");
  EXPECT_EQ(App().settings.ToggleHotkey, (HotkeySpec{kModControl | kModShift, 0x71}));

  // Deleted while running: the next load creates it again from the defaults.
  ASSERT_TRUE(::DeleteFileW(roaming.ConfigFile().c_str()));
  LoadConfig();
  EXPECT_EQ(App().settings, Settings{});
  EXPECT_TRUE(PathExists(roaming.ConfigFile()));
}

TEST(ConfigLoad, UnreadableFileLeavesSettingsUntouched) {
  ScopedRoamingFolder roaming;
  ScopedSettings keep;
  CleanShortcut clean;
  RecordLanguage language;
  EnsureConfigFilePath();
  const Settings before = [] {
    Settings s = ScrambledSettings();
    s.RunAtStartup = true;
    return s;
  }();
  struct Case {
    const char* name;
    std::function<void()> arrange;
  };
  const std::vector<Case> cases = {
      {"zero bytes", [&] { ASSERT_TRUE(WriteBytes(roaming.ConfigFile(), {})); }},
      {"only a byte-order mark", [&] { ASSERT_TRUE(WriteBytes(roaming.ConfigFile(), {0xEF, 0xBB, 0xBF})); }},
      {"too large",
       [&] { ASSERT_TRUE(WriteBytes(roaming.ConfigFile(), Bytes(524289, static_cast<std::uint8_t>('a')))); }},
      {"a folder", [&] { ASSERT_TRUE(::CreateDirectoryW(roaming.ConfigFile().c_str(), nullptr)); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    c.arrange();
    App().settings = before;
    LoadConfig();
    EXPECT_EQ(App().settings, before);
    EXPECT_FALSE(PathExists(StartupShortcutPath()));  // the shortcut step did not run
    EXPECT_EQ(languageCalls, 0);
    ::RemoveDirectoryW(roaming.ConfigFile().c_str());
    ::DeleteFileW(roaming.ConfigFile().c_str());
  }
  // Held open without sharing by another program.
  ASSERT_TRUE(WriteBytes(roaming.ConfigFile(), ToBytes("[General]\nSleepPrevent=0\n")));
  LockedFile lock(roaming.ConfigFile());
  ASSERT_TRUE(lock.Held());
  App().settings = before;
  LoadConfig();
  EXPECT_EQ(App().settings, before);
  EXPECT_TRUE(ReadShowSleepPreventBadge());
  EXPECT_TRUE(ReadShowKeepActiveBadge());
  IniDocument document(L"");
  EXPECT_FALSE(ReloadConfigDocument(document));
}

TEST(ConfigLoad, ReloadReplacesTheDocumentWithoutBootstrapping) {
  ScopedRoamingFolder roaming;
  IniDocument document(L"somewhere");
  document.SetString(L"Old", L"Key", L"1");
  EXPECT_FALSE(ReloadConfigDocument(document));
  EXPECT_EQ(document.Path(), roaming.ConfigFile());
  EXPECT_TRUE(document.SectionOrder().empty());
  EXPECT_FALSE(PathExists(roaming.ConfigFile()));

  ASSERT_TRUE(WriteBytes(roaming.ConfigFile(), ToBytes("[Overlay]\nBadgeAlpha=7\n")));
  EXPECT_TRUE(ReloadConfigDocument(document));
  EXPECT_EQ(document.GetString(L"Overlay", L"BadgeAlpha", L""), L"7");
  EXPECT_FALSE(document.HasKey(L"Old", L"Key"));
}

TEST(ConfigLoad, ParseIntValue) {
  const struct {
    const wchar_t* text;
    std::int32_t expected;
  } cases[] = {
      {L"10", 10},    {L"  -7\t", -7},      {L"30abc", 30},          {L"0x10", 0},
      {L"abc", 64},   {L"", 64},            {L" ; 5", 64},           {L"12 ; note", 12},
      {L"+3", 3},     {L"99999999999", 2147483647}, {L"-99999999999", -2147483647 - 1}, {L";", 64},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Narrow(c.text));
    EXPECT_EQ(ParseIntValue(c.text, 64), c.expected);
  }
}

TEST(ConfigLoad, ParseBoolValue) {
  const struct {
    const wchar_t* text;
    bool expected;
  } cases[] = {
      {L"", true},     {L"1", true},     {L"true", true},   {L"yes", true},      {L"on", true},
      {L"2", true},    {L"maybe", true}, {L"0", false},     {L"FALSE", false},   {L"No", false},
      {L"OFF", false}, {L" off ", false}, {L"no ; hidden", false}, {L"; off", true}, {L"00", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Narrow(c.text));
    EXPECT_EQ(ParseBoolValue(c.text), c.expected);
  }
}

TEST(ConfigLoad, OverlayIntScan) {
  const struct {
    const wchar_t* text;
    const wchar_t* key;
    std::int32_t defaultValue, minimum, maximum, expected;
  } cases[] = {
      {L"[Overlay]\nbadgealpha=10", L"BadgeAlpha", 64, 0, 255, 10},
      {L"[General]\nBadgeAlpha=10\n[Overlay]\nBadgeAlpha=200", L"BadgeAlpha", 64, 0, 255, 200},
      {L"[Overlay]\nBadgeAlpha=200\n[General]\nBadgeAlpha=10", L"BadgeAlpha", 64, 0, 255, 200},
      {L"[General]\nBadgeAlpha=10", L"BadgeAlpha", 64, 0, 255, 10},
      {L"[General]\nBadgeAlpha=10\n[Hotkey]\nBADGEALPHA=20", L"BadgeAlpha", 64, 0, 255, 20},
      {L"[overlay]\nBadgeAlpha=30\n[General]\nBadgeAlpha=10", L"BadgeAlpha", 64, 0, 255, 30},
      {L"[Overlay]\nBadgeAlpha=abc", L"BadgeAlpha", 64, 0, 255, 64},
      {L"[Overlay]\nBadgeAlpha=abc", L"BadgeAlpha", 300, 0, 255, 255},  // the default, clamped
      {L"[Overlay]\nBadgeAlpha=1000", L"BadgeAlpha", 64, 0, 255, 255},
      {L"[Overlay]\nBadgeAlpha=300", L"BadgeAlpha", 64, 0, 255, 255},
      {L"[Overlay]\nClockFontPt=4", L"ClockFontPt", 32, 8, 96, 8},
      {L"[Overlay]\nClockFontPt=97 ; big", L"ClockFontPt", 32, 8, 96, 96},
      {L"[Overlay]", L"ClockFontPt", -1, 8, 96, -1},  // nothing found: the default, unclamped
      {L"[Overlay]\nBadgeAlpha=5\nbadgealpha=6", L"BadgeAlpha", 64, 0, 255, 6},  // ordinal key order
      {L"[Overlay]\nbadgealpha=6\nBadgeAlpha=5", L"BadgeAlpha", 64, 0, 255, 6},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Narrow(c.text));
    EXPECT_EQ(ReadOverlayInt(FromText(c.text), c.key, c.defaultValue, c.minimum, c.maximum), c.expected);
  }
  EXPECT_EQ(ReadOverlayInt(FromText(L"[Overlay]\nX=1"), nullptr, 64, 0, 255), 64);
}

TEST(ConfigLoad, FadeInAndBadgeFlags) {
  const struct {
    const wchar_t* text;
    std::int32_t fade;
    bool sleepBadge, keepBadge;
  } cases[] = {
      {L"[Overlay]", 120, true, true},
      {L"[Overlay]\nFadeInDurationMs=-1\nShowKeepActiveBadge=\nShowSleepPreventBadge=OFF", 0, false, true},
      {L"[General]\nfadeindurationms=0\n[Overlay]\nShowKeepActiveBadge=no ; hidden", 0, true, false},
      {L"[Overlay]\nFadeInDurationMs=6000\n[General]\nShowSleepPreventBadge=0", 5000, false, true},
      {L"[General]\nShowSleepPreventBadge=0\n[OVERLAY]\nshowsleeppreventbadge=yes", 120, true, true},
      {L"[overlay]\nShowKeepActiveBadge=1\n[General]\nShowKeepActiveBadge=0", 120, true, true},
  };
  ScopedRoamingFolder roaming;
  EnsureConfigFilePath();
  for (const auto& c : cases) {
    SCOPED_TRACE(Narrow(c.text));
    const IniDocument document = FromText(c.text);
    EXPECT_EQ(ReadFadeInDurationMs(document), c.fade);
    EXPECT_EQ(ReadOverlayBool(document, L"ShowSleepPreventBadge"), c.sleepBadge);
    EXPECT_EQ(ReadOverlayBool(document, L"ShowKeepActiveBadge"), c.keepBadge);
    // The same through the file, read afresh by the parameterless readers.
    const std::wstring text = c.text;
    std::string utf8(text.begin(), text.end());
    ASSERT_TRUE(WriteBytes(App().configPath, ToBytes(utf8)));
    EXPECT_EQ(ReadShowSleepPreventBadge(), c.sleepBadge);
    EXPECT_EQ(ReadShowKeepActiveBadge(), c.keepBadge);
  }
  // No file at all: both shown.
  ASSERT_TRUE(::DeleteFileW(App().configPath.c_str()));
  EXPECT_TRUE(ReadShowSleepPreventBadge());
  EXPECT_TRUE(ReadShowKeepActiveBadge());
  EXPECT_FALSE(PathExists(App().configPath));
}
