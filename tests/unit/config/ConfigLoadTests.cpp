#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

#include "TestSupport.h"
#include "config/ConfigLoad.h"
#include "config/ConfigLocation.h"
#include "config/ConfigSave.h"

static IniDocument FromText(const std::wstring& text) {
  IniDocument document(L"");
  document.Parse(text);
  return document;
}
using M = ClockDisplayMode;
using A = OverlayAction;
constexpr std::uint32_t CA = kModControl | kModAlt;
constexpr IntegerKey kAlpha = kBadgeAlphaKey;
// Every field differs from its default, so a test sees which fields a load set.
// clang-format off
static const Settings kScrambled{true, true, true, 999, 99, NudgeKind::F15, L"previous", A::BlackAll, {kModShift, 0x41},
                                 M::Elapsed, {{L"old"}, {L"old"}, true, 50, true}, {{L"9s", 9}}, false, 7};
// clang-format on
static const Bytes kGood = ToBytes("[General]\r\nSleepPrevent=1\r\n[KeepActive]\r\nIdleThresholdSec=12");

class ConfigLoad : public testing::Test {
 protected:
  ConfigLoad() {
    App().settings = kScrambled;
    testRoaming = scope.roaming.Path() + L"\\";
  }
  void WriteFile(const Bytes& bytes) {
    EnsureConfigFilePath();
    ASSERT_TRUE(WriteBytes(scope.File(), bytes));
  }
  Bytes LoadAndSave(bool locked = false) {
    {
      LockedFile lock(locked ? scope.File() : L"");
      App().settings = kScrambled;
      App().configSavePending = false;  // a fresh start on each file
      LoadConfig();
      SaveConfig();
    }
    EXPECT_FALSE(PathExists(scope.File() + L".tmp"));
    return ReadBytesOrEmpty(scope.File());
  }
  AppScope app;
  ConfigScope scope;
};

TEST_F(ConfigLoad, EachKeyIsReadByItsRules) {
  const std::wstring long70(70, L'x'), surrogateAt63 = std::wstring(62, L'a') + L"\U0001F600" + L"bcd";
  const std::pair<std::wstring, Settings> cases[] = {
      // clang-format off
      {L"[General]\n[KeepActive]\n[UI]\n[Hotkey]\n[Overlay]", {}},
      {L"[general]\nSleepPrevent=1\n[Overlay]\nclockdisplay=None", {}},
      {L"[General]\nSleepPrevent=2\nKeepActive=-1\nRunAtStartup=yes", {.SleepPrevent = true, .KeepActive = true}},
      {L"[KeepActive]\nIdleThresholdSec=59\nCheckIntervalSec=0", {.IdleThresholdSec = 60, .CheckIntervalSec = 10}},
      {L"[KeepActive]\nIdleThresholdSec=3601\nCheckIntervalSec=9999999999",
       {.IdleThresholdSec = 3600, .CheckIntervalSec = 600}},
      {L"[KeepActive]\nIdleThresholdSec=300 ; five\nCheckIntervalSec=20s\nNudge=vk_f15\n[Hotkey]\nAction=blackcurrent\n"
       L"ToggleHotkey=Shift+VK_F1", {.IdleThresholdSec = 300, .CheckIntervalSec = 20, .Nudge = NudgeKind::F15,
                                    .Action = A::BlackCurrent, .ToggleHotkey = {kModShift, 0x70}}},
      {L"[KeepActive]\nNudge=f15\n[Hotkey]\nAction=BLACKALL\nToggleHotkey=none",
       {.Nudge = NudgeKind::F15, .Action = A::BlackAll, .ToggleHotkey = {CA, 0}}},
      {L"[Hotkey]\nAction=awayall\nToggleHotkey=VK_B", {.Action = A::AwayAll, .ToggleHotkey = {CA, 0x42}}},
      {L"[KeepActive]\nNudge=F16\nIdleThresholdSec=abc\n[Hotkey]\nAction=Away\nToggleHotkey=0xDB\n[UI]\nLanguage=", {}},
      {L"[KeepActive]\nNudge=F15 ; tap\n[Hotkey]\nToggleHotkey=Ctrl+Alt+VK_OEM_4", {}},
      {L"[Hotkey]\nToggleHotkey=Shift+VK_OEM_6", {}}, {L"[Hotkey]\nToggleHotkey=Ctrl+Alt+Nonsense", {}},
      {L"[Hotkey]\nToggleHotkey=", {.ToggleHotkey = {CA, 0}}},
      {L"[UI]\nLanguage=" + long70, {.Language = long70.substr(0, 63)}},
      {L"[UI]\nLanguage=" + surrogateAt63, {.Language = std::wstring(62, L'a')}},
      {L"[Conditions]\nSleepPreventWhileRunning=obs64.exe,C:\\x.exe, OBS64\nKeepActiveWhileRunning=*\n"
       L"OnlyOnMainsPower=yes\nMinBatteryPercent=101\nPauseSleepPreventWhileLocked=1",
       {.Conditions = {{L"obs64.exe", L"OBS64"}, {}, false, 100, true}}},
      {L"[Conditions]\nOnlyOnMainsPower=2\nMinBatteryPercent=-5\nPauseSleepPreventWhileLocked=on",
       {.Conditions = {.OnlyOnMainsPower = true}}},
      {L"[Timer]\nPresets=\nNotifyAtEnd=0 ; quiet", {.Presets = {}, .NotifyAtEnd = false}},
      {L"[Timer]\nPresets=2h, x\nNotifyAtEnd=on", {.Presets = {{L"2h", 7200}}}},
      {L"[Overlay]\nClockDisplay=", {.ClockDisplay = M::None}}, {L"[Overlay]\nShowOverlayClock=7", {}},
      {L"[Overlay]\nShowOverlayClock=0", {.ClockDisplay = M::None}},
      {L"[Overlay]\nClockDisplay=BOTH", {.ClockDisplay = M::TimeAndElapsed}},
      {L"[Overlay]\nClockDisplay=weird\nShowOverlayClock=0", {}},
      {L"[Overlay]\nBlackScreenAfterIdleMin=1441", {.BlackScreenAfterIdleMin = 1440}}};
  // clang-format on
  for (const auto& [text, expected] : cases) {
    App().settings = kScrambled;
    ApplyConfigDocument(FromText(text));
    EXPECT_EQ(App().settings, expected) << Narrow(text);
  }
}

// Names compared without case; the last in a section named [Overlay] (any case) wins, else the last anywhere.
TEST(OverlayKeys, AreFoundInAnySectionWithOverlayWinning) {
  const std::tuple<const wchar_t*, std::int32_t, bool> cases[] = {
      {L"[General]\nBadgeAlpha=10\n[Overlay]\nBadgeAlpha=-1\nShowSleepPreventBadge=OFF", 0, false},
      {L"[overlay]\nBadgeAlpha=300\n[General]\nBadgeAlpha=10\nShowSleepPreventBadge=no ; hidden", 255, false},
      {L"[General]\nBadgeAlpha=10\nShowSleepPreventBadge=0\n[UI]\nBADGEALPHA=20\nShowSleepPreventBadge=00", 20, true},
      {L"[Overlay]\nBadgeAlpha=abc\nShowSleepPreventBadge=\n[General]\nBadgeAlpha=9", kAlpha.defaultValue, true},
      {L"[General]\nShowSleepPreventBadge=0\n[OVERLAY]\nshowsleeppreventbadge=yes", kAlpha.defaultValue, true},
      {L"[Overlay]\nbadgealpha=6\nBadgeAlpha=5", 6, true}};
  for (const auto& [text, alpha, badge] : cases) {
    const IniDocument d = FromText(text);
    EXPECT_EQ(std::pair(ReadOverlayInt(d, kAlpha), ReadOverlayBool(d, L"ShowSleepPreventBadge")),
              std::pair(alpha, badge))
        << Narrow(text);
  }
}

// Seconds kept as such, a time of day as @hmm.
TEST(TimerPresets, ValidEntriesAreKeptInOrderEachValueOnceAndAtMostEight) {
  std::wstring seen;
  for (const TimerPreset& p :
       ParseTimerPresets(L" 90s,1H30m\t, 1h 30m, 5400s, ,17:30, 5:00, 05:00, 17:30, x, 1s, 2s, 3s, 4s, 5s"))
    seen += (p.seconds ? std::to_wstring(p.seconds) : L"@" + std::to_wstring(p.hour * 100 + p.minute)) + L" ";
  EXPECT_EQ(seen, L"90 5400 @1730 @500 1 2 3 4 ");
}

TEST_F(ConfigLoad, NeitherAReloadNorASaveBeforeTheFirstLoadCreatesTheFile) {
  IniDocument document(L"somewhere");
  EXPECT_FALSE(ReloadConfigDocument(document));
  SaveConfig();
  EXPECT_FALSE(PathExists(scope.File()));
}

TEST_F(ConfigLoad, AMissingFileIsCreatedInTheRoamingFolderWithTheDefaultsAndTheShortcutGoes) {
  LoadConfig();
  EXPECT_TRUE(App().configPath == scope.File() && PathExists(scope.File()));
  EXPECT_EQ(App().settings, Settings{});
  ASSERT_TRUE(WriteBytes(scope.File(), ToBytes("[General]\nRunAtStartup=1\n")));
  LoadConfig();
  ASSERT_TRUE(PathExists(StartupShortcutPath()) && ::DeleteFileW(scope.File().c_str()));
  LoadConfig();
  EXPECT_EQ(App().settings, Settings{});
  EXPECT_TRUE(PathExists(scope.File()) && !PathExists(StartupShortcutPath()));
}

// Hand-edited and unknown keys stay, [Conditions] is never written, and a save of unchanged settings creates no
// empty [UI] section ([UI] comes last once a language is set).
TEST_F(ConfigLoad, ASaveKeepsTheHandEditsAndWritesEachValueInItsCanonicalForm) {
  WriteFile(ToBytes(
      "[Overlay]\nFadeInDurationMs=800\nShowOverlayClock=0\nBadgeAlpha=9 ; dim\n[Conditions]\nMinBatteryPercent=x\n"));
  LoadConfig();
  SaveConfig();
  // clang-format off
  App().settings = {true, false, true, 3600, 10, NudgeKind::F15, L"zh-Hant", A::BlackAll, {kModWin, 0xA0},
                    M::TimeAndElapsed, {{L"obs64"}, {L"vlc"}, true, 20, true}};
  // clang-format on
  SaveConfig();
  EXPECT_EQ(
      ReadBytesOrEmpty(scope.File()),
      ToBytes("\xEF\xBB\xBF[Overlay]\r\nFadeInDurationMs=800\r\nShowOverlayClock=0\r\nBadgeAlpha=9 ; dim\r\n"
              "ClockDisplay=TimeAndElapsed\r\n[Conditions]\r\nMinBatteryPercent=x\r\n[General]\r\nSleepPrevent=1\r\n"
              "KeepActive=0\r\nRunAtStartup=1\r\n[KeepActive]\r\nIdleThresholdSec=3600\r\nCheckIntervalSec=10\r\n"
              "Nudge=F15\r\n[Hotkey]\r\nAction=BlackAll\r\nToggleHotkey=Win+0xA0\r\n[UI]\r\nLanguage=zh-Hant"));
}

// Empty, held open, not decodable, or a folder in its place.
TEST_F(ConfigLoad, AnUnreadableFileIsNeitherAppliedNorSavedOver) {
  const Bytes cases[] = {{}, kGood, Utf16Le(L";\r\n[General]\r\nSleepPrevent=1", false)};
  for (const Bytes& content : cases) {
    SCOPED_TRACE(&content - cases);
    WriteFile(content);
    EXPECT_EQ(LoadAndSave(&content == &cases[1]), content);
    EXPECT_EQ(App().settings, kScrambled);
  }
  ASSERT_TRUE(::DeleteFileW(scope.File().c_str()) && ::CreateDirectoryW(scope.File().c_str(), nullptr));
  LoadAndSave();
  EXPECT_EQ(App().settings, kScrambled);
  EXPECT_TRUE(::RemoveDirectoryW(scope.File().c_str()));  // still the folder
}

TEST_F(ConfigLoad, ZeroPaddingCostsTheLinesItTouchesAndIsSavedClean) {
  const std::pair<Bytes, Settings> cases[] = {
      {Concat(Concat(kGood, ToBytes("0\r\n")), Bytes(60, 0)), {.SleepPrevent = true, .IdleThresholdSec = 120}},
      {Concat(Concat(kGood, Bytes(9, 0)), ToBytes("0\r\n")), {.SleepPrevent = true}},
      {Bytes(80, 0), {}}};
  for (const auto& [content, expected] : cases) {
    SCOPED_TRACE(&content - &cases[0].first);
    WriteFile(content);
    const Bytes saved = LoadAndSave();
    EXPECT_EQ(App().settings, expected);
    EXPECT_TRUE(!saved.empty() && std::count(saved.begin(), saved.end(), 0) == 0);
  }
}

TEST(ProgramList, KeepsTheValidNamesAsWrittenAndAtMostSixteen) {
  std::wstring seventeen = L"*, ";  // a wildcard does not count among the 16 names kept
  ProgramList sixteen;
  for (int i = 1; i <= 17; ++i) seventeen += L"p" + std::to_wstring(i) + L" ,";
  for (int i = 1; i <= 16; ++i) sixteen.push_back(L"p" + std::to_wstring(i));
  // clang-format off
  const std::pair<std::wstring, ProgramList> lists[] = {
      {L"", {}}, {L" , ,", {}}, {L" obs64.exe ,\tFFmpeg,, ; obs.exe, vlc", {L"obs64.exe", L"FFmpeg"}},
      {L"My App.exe,\"a\",<b>,c|d,e?,f*", {L"My App.exe"}}, {L"C:\\x\\a.exe, b/c.exe, D:a.exe, ok", {L"ok"}},
      {seventeen, sixteen}};
  // clang-format on
  for (const auto& [text, names] : lists) EXPECT_EQ(ParseProgramList(text), names) << Narrow(text);
}
