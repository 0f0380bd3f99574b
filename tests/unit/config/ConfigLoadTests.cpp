#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

#include "TestSupport.h"
#include "config/ConfigLoad.h"
#include "config/ConfigLocation.h"
#include "config/ConfigSave.h"
#include "tray/UiLanguage.h"

static IniDocument FromText(const std::wstring& text) {
  IniDocument document(L"");
  document.Parse(text);
  return document;
}
// Every field differs from its default, so a test sees which fields a load set.
static const Settings kScrambled{true,
                                 true,
                                 true,
                                 999,
                                 99,
                                 NudgeKind::F15,
                                 L"previous",
                                 OverlayAction::BlackAll,
                                 {kModShift, 0x41},
                                 ClockDisplayMode::Elapsed,
                                 {{L"old"}, {L"old"}, true, 50, true},
                                 {{L"9s", 9}},
                                 false};
using M = ClockDisplayMode;
using A = OverlayAction;
constexpr std::uint32_t CA = kModControl | kModAlt;
constexpr IntegerKey kIdle = kIdleThresholdKey, kCheck = kCheckIntervalKey, kFade = kFadeInKey, kAlpha = kBadgeAlphaKey;

TEST(ConfigLoad, EachKeyIsReadByItsRules) {
  const std::wstring long70(70, L'x'), surrogateAt63 = std::wstring(62, L'a') + L"\U0001F600" + L"bcd";
  const struct {
    std::wstring text;
    Settings expected;
  } cases[] = {
      {L"[General]\n[KeepActive]\n[UI]\n[Hotkey]\n[Overlay]", {}},
      {L"[general]\nSleepPrevent=1\n[Overlay]\nclockdisplay=None", {}},
      {L"[General]\nSleepPrevent=true\nKeepActive=1 ; on\nRunAtStartup=yes", {.KeepActive = true}},
      {L"[General]\nSleepPrevent=2\nKeepActive=-1\nsleepprevent=0", {.SleepPrevent = true, .KeepActive = true}},
      {L"[KeepActive]\nIdleThresholdSec=59\nCheckIntervalSec=0",
       {.IdleThresholdSec = kIdle.minimum, .CheckIntervalSec = kCheck.minimum}},
      {L"[KeepActive]\nIdleThresholdSec=3601\nCheckIntervalSec=99999999999",
       {.IdleThresholdSec = kIdle.maximum, .CheckIntervalSec = kCheck.maximum}},
      {L"[KeepActive]\nIdleThresholdSec=300 ; "
       L"five\nCheckIntervalSec=20s\nNudge=vk_f15\n[Hotkey]\nAction=blackcurrent\nToggleHotkey=Shift+VK_F1",
       {.IdleThresholdSec = 300,
        .CheckIntervalSec = 20,
        .Nudge = NudgeKind::F15,
        .Action = A::BlackCurrent,
        .ToggleHotkey = {kModShift, 0x70}}},
      {L"[KeepActive]\nNudge=f15\n[Hotkey]\nAction=BLACKALL\nToggleHotkey=none",
       {.Nudge = NudgeKind::F15, .Action = A::BlackAll, .ToggleHotkey = {CA, 0}}},
      {L"[Hotkey]\nAction=awayall\nToggleHotkey=VK_B", {.Action = A::AwayAll, .ToggleHotkey = {CA, 0x42}}},
      {L"[Hotkey]\nToggleHotkey=Shift+VK_OEM_6", {}},
      {L"[KeepActive]\nNudge=F16\nIdleThresholdSec=abc\n[Hotkey]\nAction=Away\nToggleHotkey=0xDB\n[UI]\nLanguage=", {}},
      {L"[KeepActive]\nNudge=F15 ; tap\n[Hotkey]\nToggleHotkey=Ctrl+Alt+VK_OEM_4", {}},
      {L"[Hotkey]\nToggleHotkey=Ctrl+Alt+Nonsense", {}},
      {L"[Hotkey]\nToggleHotkey=", {.ToggleHotkey = {CA, 0}}},
      {L"[UI]\nLanguage=" + long70, {.Language = long70.substr(0, 63)}},
      {L"[UI]\nLanguage=" + surrogateAt63, {.Language = std::wstring(62, L'a')}},
      {L"[Conditions]\nSleepPreventWhileRunning= obs64.exe ,C:\\x.exe,\tOBS64 ; "
       L"recorder\nKeepActiveWhileRunning=*\nOnlyOnMainsPower=yes\n"
       L"MinBatteryPercent=101\nPauseSleepPreventWhileLocked=1 ; on\nWhatever=1",
       {.Conditions = {{L"obs64.exe", L"OBS64"}, {}, false, kMinBatteryKey.maximum, true}}},
      {L"[Conditions]\nOnlyOnMainsPower=2\nMinBatteryPercent=-5\nPauseSleepPreventWhileLocked=on",
       {.Conditions = {.OnlyOnMainsPower = true}}},
      {L"[Conditions]\nMinBatteryPercent=abc\n[conditions]\nOnlyOnMainsPower=1", {}},
      {L"[Conditions]\nMinBatteryPercent= 30 %", {.Conditions = {.MinBatteryPercent = 30}}},
      {L"[Timer]\nPresets=\nNotifyAtEnd=0 ; quiet", {.Presets = {}, .NotifyAtEnd = false}},
      {L"[Timer]\nPresets=2h, x\nNotifyAtEnd=on", {.Presets = {{L"2h", 7200}}}}};
  ConfigScope scope;
  for (const auto& c : cases) {
    App().settings = kScrambled;
    ApplyConfigDocument(FromText(c.text));
    EXPECT_EQ(App().settings, c.expected) << Narrow(c.text);
  }
}

TEST(ConfigLoad, TheClockDisplayTakesItsAliasesInAnyCaseAndTheOldKey) {
  const std::pair<const wchar_t*, M> clocks[] = {{L"ClockDisplay=", M::None},
                                                 {L"ClockDisplay=BOTH", M::TimeAndElapsed},
                                                 {L"ShowOverlayClock=7", M::Time},
                                                 {L"ShowOverlayClock=0", M::None},
                                                 {L"ClockDisplay=weird\nShowOverlayClock=0", M::Time}};
  for (const auto& [text, mode] : clocks)
    EXPECT_EQ(ReadClockDisplay(FromText(std::wstring(L"[Overlay]\n") + text)), mode) << Narrow(text);
}

// Names compared without case; the last in a section named [Overlay] (any case) wins, else the last anywhere.
TEST(OverlayKeys, AreFoundInAnySectionWithOverlayWinning) {
  const std::int32_t alpha = kAlpha.defaultValue, fade = kFade.defaultValue;
  const struct {
    const wchar_t* text;
    std::int32_t alpha, fade;
    bool sleepBadge, keepBadge;
  } overlay[] = {
      {L"[Overlay]", alpha, fade, true, true},
      {L"[General]\nBadgeAlpha=10\nFadeInDurationMs=6000\n[Overlay]\nBadgeAlpha=200\nShowSleepPreventBadge=OFF", 200,
       kFade.maximum, false, true},
      {L"[overlay]\nBadgeAlpha=30\nFadeInDurationMs=-1\n[General]\nBadgeAlpha=10\nShowKeepActiveBadge=no ; hidden", 30,
       kFade.minimum, true, false},
      {L"[General]\nBadgeAlpha=10\nShowSleepPreventBadge=0\n[Hotkey]\nBADGEALPHA=20\nShowKeepActiveBadge=00", 20, fade,
       false, true},
      {L"[Overlay]\nBadgeAlpha=abc\nShowKeepActiveBadge=\n[General]\nShowSleepPreventBadge=0\n[OVERLAY]"
       L"\nshowsleeppreventbadge=yes",
       alpha, fade, true, true},
      {L"[Overlay]\nBadgeAlpha=1000", kAlpha.maximum, fade, true, true},
      {L"[Overlay]\nbadgealpha=6\nBadgeAlpha=5", 6, fade, true, true}};
  for (const auto& c : overlay) {
    const IniDocument d = FromText(c.text);
    EXPECT_EQ(std::tuple(ReadOverlayInt(d, kAlpha), ReadOverlayInt(d, kFade),
                         ReadOverlayBool(d, L"ShowSleepPreventBadge"), ReadOverlayBool(d, L"ShowKeepActiveBadge")),
              std::tuple(c.alpha, c.fade, c.sleepBadge, c.keepBadge))
        << Narrow(c.text);
  }
}

TEST(ConfigLoad, TimerPresetsValidOnesInOrderEachValueOnceAtMostEight) {  // kept: seconds, or @hmm for a time of day
  const std::pair<const wchar_t*, const wchar_t*> cases[] = {
      {kDefaultTimerPresets, L"1800 3600 7200 14400 "},
      {L" 90s,1H30m\t, 1d12h, 7d, 8d, 0s, 1x, , 17:30, 7:05, 24:00, 7:5, 1h 30m, 17:30;",
       L"90 5400 129600 604800 @1730 @705 "},
      {L"1h, 60m, 3600s, 0d1h, 17:30, 17:30, 5:00, 05:00", L"3600 @1730 @500 "},
      {L"", L""},
      {L",, x", L""},
      {L"1s,2s,3s,bad,4s,4s,5s,6s,7s,8s,9s", L"1 2 3 4 5 6 7 8 "}};
  for (const auto& [text, kept] : cases) {
    std::wstring seen;
    for (const TimerPreset& p : ParseTimerPresets(text))
      seen += (p.seconds ? std::to_wstring(p.seconds) : L"@" + std::to_wstring(p.hour * 100 + p.minute)) + L" ";
    EXPECT_EQ(seen, kept) << Narrow(text);
  }
  EXPECT_EQ(ParseTimerPresets(kDefaultTimerPresets), Settings{}.Presets);
}

TEST(ConfigLoad, LoadBootstrapsFollowsHandEditsReconcilesTheShortcutAndSaves) {
  ConfigScope scope;
  IniDocument document(L"somewhere");  // a reload does not create the file
  EXPECT_FALSE(ReloadConfigDocument(document) || PathExists(scope.File()));
  App().settings = kScrambled;
  LoadConfig();
  EXPECT_EQ(std::pair(App().configPath, App().settings), std::pair(scope.File(), Settings{}));
  ASSERT_TRUE(
      WriteBytes(scope.File(), ToBytes("[KeepActive]\nIdleThresholdSec=600\n[UI]\nLanguage=de\n"
                                       "[Hotkey]\nToggleHotkey=Ctrl+Shift+VK_F2\n[General]\nRunAtStartup=1\n")));
  LoadConfig();
  EXPECT_EQ(App().settings, (Settings{.RunAtStartup = true,
                                      .IdleThresholdSec = 600,
                                      .Language = L"de",
                                      .ToggleHotkey = {kModControl | kModShift, 0x71}}));
  EXPECT_TRUE(PathExists(StartupShortcutPath()));
  ASSERT_TRUE(::DeleteFileW(scope.File().c_str()));  // deleted while running: the default text again
  LoadConfig();
  EXPECT_EQ(App().settings, Settings{});
  EXPECT_TRUE(!PathExists(StartupShortcutPath()) && PathExists(scope.File()));
  // A save keeps hand-edited and unknown keys, writes each value in its canonical form, and creates no
  // empty [UI] section (it comes last once a language is set).
  ASSERT_TRUE(WriteBytes(scope.File(), ToBytes("[Overlay]\nFadeInDurationMs=800\nShowOverlayClock=0\nBadgeAlpha=9 ; "
                                               "dim\n[Conditions]\nMinBatteryPercent=x\n")));
  LoadConfig();
  SaveConfig();
  App().settings = {true,
                    false,
                    true,
                    3600,
                    10,
                    NudgeKind::F15,
                    L"zh-Hant",
                    A::BlackAll,
                    {kModWin, 0xA0},
                    M::TimeAndElapsed,
                    {{L"obs64"}, {L"vlc"}, true, 20, true}};  // [Conditions] is kept as written, never written
  SaveConfig();
  EXPECT_EQ(ReadBytesOrEmpty(scope.File()),
            ToBytes("\xEF\xBB\xBF[Overlay]\r\nFadeInDurationMs=800\r\nShowOverlayClock=0\r\n"
                    "BadgeAlpha=9 ; "
                    "dim\r\nClockDisplay=TimeAndElapsed\r\n[Conditions]\r\nMinBatteryPercent=x\r\n[General]"
                    "\r\nSleepPrevent=1\r\nKeepActive=0\r\n"
                    "RunAtStartup=1\r\n[KeepActive]\r\nIdleThresholdSec=3600\r\nCheckIntervalSec=10\r\nNudge=F15\r\n["
                    "Hotkey]\r\n"
                    "Action=BlackAll\r\nToggleHotkey=Win+0xA0\r\n[UI]\r\nLanguage=zh-Hant"));
}

// Unreadable files (empty, a folder, held open, not decodable) are neither applied nor saved over; zero padding
// (an interrupted write) costs its own lines and is saved clean.
TEST(ConfigLoad, UnreadableOrDamagedFiles) {
  ConfigScope scope;
  EnsureConfigFilePath();
  const Bytes good = ToBytes("[General]\r\nSleepPrevent=1\r\n[KeepActive]\r\nIdleThresholdSec=12");
  const Settings before{.SleepPrevent = true, .RunAtStartup = true, .Nudge = NudgeKind::F15, .Action = A::BlackAll};
  const struct {
    Bytes content;
    bool repaired;
    Settings expected;
  } cases[] = {
      {{}, false, before},
      {{'/'}, false, before},
      {good, false, before},
      {Utf16Le(L";\r\n[General]\r\nSleepPrevent=1", false), false, before},
      {Concat(Concat(good, ToBytes("0\r\n")), Bytes(60, 0)), true, {.SleepPrevent = true, .IdleThresholdSec = 120}},
      {Concat(Concat(good, Bytes(9, 0)), ToBytes("0\r\n")), true, {.SleepPrevent = true}},
      {Bytes(80, 0), true, {}}};
  App().settings = before;
  SaveConfig();
  EXPECT_FALSE(PathExists(scope.File()));
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);
    ASSERT_TRUE(c.content == Bytes{'/'} ? ::CreateDirectoryW(scope.File().c_str(), nullptr)
                                        : WriteBytes(scope.File(), c.content));
    {
      LockedFile lock(&c == &cases[2] ? scope.File() : L"");
      App().settings = before, App().configSavePending = false;  // a fresh start on each file
      LoadConfig();
      EXPECT_EQ(App().settings, c.expected);
      SaveConfig();
    }
    const Bytes saved = ReadBytesOrEmpty(scope.File());
    EXPECT_FALSE(PathExists(scope.File() + L".tmp"));
    EXPECT_TRUE(c.content == Bytes{'/'} || (saved == c.content) != c.repaired);
    EXPECT_TRUE(!c.repaired || (!saved.empty() && std::count(saved.begin(), saved.end(), 0) == 0));
    if (!::DeleteFileW(scope.File().c_str())) ::RemoveDirectoryW(scope.File().c_str());
  }
}

TEST(ProgramList, ParsedAsWrittenMatchedWithoutCaseOrExeInListOrder) {
  std::wstring seventeen;  // a wildcard does not count among the 16 names kept
  ProgramList sixteen;
  for (int i = 1; i <= 17; ++i)
    seventeen += L"p" + std::to_wstring(i) + L" ,", sixteen.push_back(L"p" + std::to_wstring(i));
  sixteen.pop_back();
  const struct {
    std::wstring text;
    ProgramList names;
  } lists[] = {{L"", {}},
               {L" , ,", {}},
               {L" obs64.exe ,\tFFmpeg,, ; obs.exe, vlc", {L"obs64.exe", L"FFmpeg"}},
               {L"My App.exe,\"a\",<b>,c|d,e?,f*", {L"My App.exe"}},
               {L"C:\\x\\a.exe, b/c.exe, D:a.exe, ok", {L"ok"}},
               {L"*, " + seventeen, sixteen}};
  for (const auto& c : lists) EXPECT_EQ(ParseProgramList(c.text), c.names) << Narrow(c.text);
  const std::vector<RunningProcess> running{
      {4, L"System"}, {8, L"OBS64.EXE"}, {12, L"ffmpeg.exe"}, {16, L"vlc"}, {20, L".exe"}};
  const struct {
    ProgramList list;
    ProgramMatch match;
  } finds[] = {{{L"missing", L"FFMPEG", L"obs64.exe"}, {L"FFMPEG", 12}},
               {{L"obs64"}, {L"obs64", 8}},
               {{L"VLC.exe"}, {L"VLC.exe", 16}},
               {{L"obs"}, {}},
               {{L"obs64.exe.exe", L"exe", L"ffmpeg.ex"}, {}},
               {{}, {}}};
  for (const auto& f : finds) EXPECT_EQ(FindRunningProgram(f.list, running), f.match) << f.match.processId;
  const std::vector<RunningProcess> all = Seams().listRunningProcesses();  // every process, this one among them
  EXPECT_TRUE(std::any_of(all.begin(), all.end(),
                          [](auto& p) { return p.id == ::GetCurrentProcessId() && p.fileName == L"unit_config.exe"; }));
}
