#include "config/ConfigLoad.h"

#include <gtest/gtest.h>

#include <cstring>

#include "TestSupport.h"
#include "config/ConfigLocation.h"
#include "tray/UiLanguage.h"

namespace {
IniDocument FromText(const std::wstring& text) {
  IniDocument document(L"");
  document.Parse(text);
  return document;
}
// Every field differs from its default, so a test sees which fields a load set.
const Settings kScrambled{true, true, true, 999, 99, NudgeKind::F15, L"previous", OverlayAction::BlackAll,
                          HotkeySpec{kModShift, 0x41}, ClockDisplayMode::Elapsed};
using M = ClockDisplayMode;
constexpr std::uint32_t CA = kModControl | kModAlt;
}  // namespace

TEST(ConfigLoad, ApplySetsEveryFieldByTheRules) {
  const std::wstring long70(70, L'x'), surrogateAt63 = std::wstring(62, L'a') + L"\U0001F600" + L"bcd";
  const struct { std::wstring text; Settings expected; } cases[] = {
      {L"[General]\n[KeepActive]\n[UI]\n[Hotkey]\n[Overlay]", {}}, {L"", {}},
      {L"[General]\nSleepPrevent=true\nKeepActive=1 ; on\nRunAtStartup=yes", {.KeepActive = true}},
      {L"[General]\nSleepPrevent=2\nKeepActive=-1\nRunAtStartup=0", {.SleepPrevent = true, .KeepActive = true}},
      {L"[general]\nSleepPrevent=1", {}}, {L"[General]\nsleepprevent=1", {}}, {L"[overlay]\nClockDisplay=None", {}},
      {L"[KeepActive]\nIdleThresholdSec=59\nCheckIntervalSec=0", {.IdleThresholdSec = 60, .CheckIntervalSec = 10}},
      {L"[KeepActive]\nIdleThresholdSec=3601\nCheckIntervalSec=601", {.IdleThresholdSec = 3600, .CheckIntervalSec = 600}},
      {L"[KeepActive]\nIdleThresholdSec=30\nCheckIntervalSec=99999999999", {.IdleThresholdSec = 60, .CheckIntervalSec = 600}},
      {L"[KeepActive]\nIdleThresholdSec=-5\nCheckIntervalSec=20s", {.IdleThresholdSec = 60, .CheckIntervalSec = 20}},
      {L"[KeepActive]\nIdleThresholdSec=300 ; five\nCheckIntervalSec=", {.IdleThresholdSec = 300}},
      {L"[KeepActive]\nIdleThresholdSec=abc\nNudge=vk_f15\n[Hotkey]\nAction=blackcurrent\nToggleHotkey=Shift+VK_F1",
       {.Nudge = NudgeKind::F15, .Action = OverlayAction::BlackCurrent, .ToggleHotkey = {kModShift, 0x70}}},
      {L"[KeepActive]\nNudge=f15\n[Hotkey]\nAction=BLACKALL\nToggleHotkey=none",
       {.Nudge = NudgeKind::F15, .Action = OverlayAction::BlackAll, .ToggleHotkey = {CA, 0}}},
      {L"[Hotkey]\nAction=awayall\nToggleHotkey=VK_B", {.Action = OverlayAction::AwayAll, .ToggleHotkey = {CA, 0x42}}},
      {L"[KeepActive]\nNudge=F16\n[Hotkey]\nAction=Away\nToggleHotkey=0xDB\n[Overlay]\nClockDisplay=Clock\n[UI]\nLanguage=", {}},
      {L"[KeepActive]\nNudge=F15 ; tap\n[Hotkey]\nToggleHotkey=Ctrl+Alt+VK_OEM_4", {}},
      {L"[Hotkey]\nToggleHotkey=", {.ToggleHotkey = {CA, 0}}}, {L"[Hotkey]\nToggleHotkey=Shift+VK_OEM_6", {}},
      {L"[Hotkey]\nToggleHotkey=Ctrl+Alt+Nonsense", {}}, {L"[Overlay]\nClockDisplay=", {.ClockDisplay = M::None}},
      {L"[Overlay]\nClockDisplay=off", {.ClockDisplay = M::None}},
      {L"[Overlay]\nClockDisplay=0", {.ClockDisplay = M::None}},
      {L"[Overlay]\nClockDisplay=BOTH", {.ClockDisplay = M::TimeAndElapsed}},
      {L"[Overlay]\nClockDisplay=time+elapsed", {.ClockDisplay = M::TimeAndElapsed}},
      {L"[Overlay]\nClockDisplay=ElapsedTime", {.ClockDisplay = M::Elapsed}}, {L"[Overlay]\nShowOverlayClock=7", {}},
      {L"[Overlay]\nShowOverlayClock=0", {.ClockDisplay = M::None}}, {L"[Overlay]\nShowOverlayClock=abc", {}},
      {L"[Overlay]\nClockDisplay=weird\nShowOverlayClock=0", {}}, {L"[UI]\nLanguage=ja", {.Language = L"ja"}},
      {L"[UI]\nLanguage=" + long70, {.Language = long70.substr(0, 63)}},
      {L"[UI]\nLanguage=" + surrogateAt63, {.Language = std::wstring(62, L'a')}},
  };
  ConfigScope scope;
  for (const auto& c : cases) {
    SCOPED_TRACE(Narrow(c.text));
    App().settings = kScrambled;
    ApplyConfigDocument(FromText(c.text));
    EXPECT_EQ(App().settings, c.expected);
  }
  EXPECT_EQ(languageLists.size(), std::size(cases));
}

TEST(ConfigLoad, LoadBootstrapsFollowsHandEditsAndReconcilesTheShortcut) {
  ConfigScope scope;
  IniDocument document(L"somewhere");
  EXPECT_FALSE(ReloadConfigDocument(document));  // a reload does not create the file
  EXPECT_FALSE(PathExists(scope.File()));
  App().settings = kScrambled;
  LoadConfig();
  EXPECT_EQ(App().configPath, scope.File());
  EXPECT_EQ(App().settings, Settings{});

  ASSERT_TRUE(WriteBytes(scope.File(), ToBytes("[KeepActive]\nIdleThresholdSec=600\n[UI]\nLanguage=de\n"
                                               "[Hotkey]\nToggleHotkey=Ctrl+Shift+VK_F2\n[General]\nRunAtStartup=1\n")));
  LoadConfig();
  EXPECT_EQ(App().settings, (Settings{.RunAtStartup = true, .IdleThresholdSec = 600, .Language = L"de",
                                      .ToggleHotkey = {kModControl | kModShift, 0x71}}));
  ASSERT_FALSE(PreferredUiLanguageList(L"de").empty());
  EXPECT_EQ(languageLists.back(), std::wstring(PreferredUiLanguageList(L"de").c_str()) + L"|");
  EXPECT_TRUE(PathExists(StartupShortcutPath()));
  ASSERT_TRUE(::DeleteFileW(scope.File().c_str()));  // deleted while running: the default text again
  LoadConfig();
  EXPECT_EQ(App().settings, Settings{});
  EXPECT_FALSE(PathExists(StartupShortcutPath()));
  EXPECT_EQ(ReadBytesOrEmpty(scope.File()), DefaultTextBytes());
}

TEST(ConfigLoad, UnreadableFileLeavesSettingsUntouched) {
  ConfigScope scope;
  EnsureConfigFilePath();
  const Settings before{.RunAtStartup = true, .Nudge = NudgeKind::F15, .Action = OverlayAction::BlackAll};
  // Zero bytes, only a byte-order mark, too large, a folder, held open without sharing by another program.
  const Bytes contents[] = {{}, {0xEF, 0xBB, 0xBF}, Bytes(524289, 'a'), {'/'}, ToBytes("[General]\nSleepPrevent=0\n")};
  for (const Bytes& content : contents) {
    SCOPED_TRACE(&content - contents);
    ASSERT_TRUE(content == Bytes{'/'} ? ::CreateDirectoryW(scope.File().c_str(), nullptr) : WriteBytes(scope.File(), content));
    LockedFile lock(&content == &contents[4] ? scope.File() : L"");
    App().settings = before;
    LoadConfig();
    EXPECT_EQ(App().settings, before);
    EXPECT_FALSE(PathExists(StartupShortcutPath()));  // nothing applied
    EXPECT_TRUE(languageLists.empty());
    if (!::DeleteFileW(scope.File().c_str())) ::RemoveDirectoryW(scope.File().c_str());
  }
}

// Overlay keys are found in any section, names compared without case; [Overlay] (any case) wins.
TEST(ConfigLoad, OverlayKeysScanEverySection) {
  const std::pair<const wchar_t*, std::int32_t> alpha[] = {
      {L"[Overlay]\nbadgealpha=10", 10}, {L"[General]\nBadgeAlpha=10\n[Overlay]\nBadgeAlpha=200", 200},
      {L"[Overlay]\nBadgeAlpha=200\n[General]\nBadgeAlpha=10", 200}, {L"[General]\nBadgeAlpha=10", 10},
      {L"[General]\nBadgeAlpha=10\n[Hotkey]\nBADGEALPHA=20", 20}, {L"[Overlay]\nBadgeAlpha=abc", 64},
      {L"[overlay]\nBadgeAlpha=30\n[General]\nBadgeAlpha=10", 30}, {L"[Overlay]\nBadgeAlpha=1000", 255},
      {L"[Overlay]\nBadgeAlpha=5\nbadgealpha=6", 6}, {L"[Overlay]\nbadgealpha=6\nBadgeAlpha=5", 6}};
  for (const auto& [text, expected] : alpha)
    EXPECT_EQ(ReadOverlayInt(FromText(text), L"BadgeAlpha", 64, 0, 255), expected) << Narrow(text);
  EXPECT_EQ(ReadOverlayInt(FromText(L"[Overlay]\nBadgeAlpha=x"), L"BadgeAlpha", 300, 0, 255), 255);
  EXPECT_EQ(ReadOverlayInt(FromText(L"[Overlay]"), L"ClockFontPt", -1, 8, 96), -1);  // not found: unclamped
  EXPECT_EQ(ReadOverlayInt(FromText(L"[Overlay]\nX=1"), nullptr, 64, 0, 255), 64);

  const struct { const char* text; std::int32_t fade; bool sleepBadge, keepBadge; } flags[] = {
      {"[Overlay]", 120, true, true}, {"[Overlay]\nFadeInDurationMs=6000\n[General]\nShowSleepPreventBadge=0", 5000, false, true},
      {"[Overlay]\nFadeInDurationMs=-1\nShowKeepActiveBadge=\nShowSleepPreventBadge=OFF", 0, false, true},
      {"[General]\nfadeindurationms=0\n[Overlay]\nShowKeepActiveBadge=no ; hidden", 0, true, false},
      {"[General]\nShowSleepPreventBadge=0\n[OVERLAY]\nshowsleeppreventbadge=yes", 120, true, true},
      {"[Overlay]\nShowSleepPreventBadge=maybe\nShowKeepActiveBadge= FALSE ", 120, true, false},
      {"[Overlay]\nShowSleepPreventBadge=; off\nShowKeepActiveBadge=00", 120, true, true},
      {"[Overlay]\nShowSleepPreventBadge=No\nShowKeepActiveBadge=2", 120, false, true}};
  for (const auto& c : flags) {
    SCOPED_TRACE(c.text);
    const IniDocument document = FromText(std::wstring(c.text, c.text + std::strlen(c.text)));
    EXPECT_EQ(ReadFadeInDurationMs(document), c.fade);
    EXPECT_EQ(ReadOverlayBool(document, L"ShowSleepPreventBadge"), c.sleepBadge);
    EXPECT_EQ(ReadOverlayBool(document, L"ShowKeepActiveBadge"), c.keepBadge);
  }
}
