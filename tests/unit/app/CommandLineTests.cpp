#include "app/CommandLine.h"

#include <gtest/gtest.h>

#include <atomic>
#include <iterator>
#include <optional>
#include <thread>
#include <sstream>

#include "TestSupport.h"
#include "app/CommandLineCalls.h"
#include "app/Commands.h"
#include "app/Conditions.h"
#include "app/TimedEnds.h"
#include "app/TimedSessions.h"
#include "base/Messages.h"
#include "config/ConfigLoad.h"
#include "config/ConfigSave.h"
#include "overlay/Overlay.h"
#include "tray/TrayIcon.h"
#include "tray/TrayMenu.h"

namespace {

std::vector<std::wstring> Split(const std::wstring& line) {
  std::wistringstream in(line);
  return {std::istream_iterator<std::wstring, wchar_t>(in), std::istream_iterator<std::wstring, wchar_t>()};
}

// "kind sleep keep black", e.g. "M 1F90 - a": word - 1 0 t, then F<seconds> or U<h>:<m>.
std::wstring Describe(const std::optional<CommandLineCall>& call) {
  const auto mode = [](const ModeRequest& r) {
    return L"-10t"[static_cast<int>(r.word)] +
           (r.end == EndKind::For     ? L"F" + std::to_wstring(r.forSeconds)
            : r.end == EndKind::Until ? L"U" + std::to_wstring(r.untilHour) + L":" + std::to_wstring(r.untilMinute)
                                      : L"");
  };
  return call ? L"MXSH"[static_cast<int>(call->kind)] + (L" " + mode(call->preventSleep)) + L" " +
                    mode(call->keepActive) + L" " + L"-ac0t"[static_cast<int>(call->blackScreen)]
              : L"invalid";
}

}  // namespace

TEST(CommandLineParser, EveryValidFormIsReadAsItsCall) {
  // clang-format off
  const std::pair<const wchar_t*, const wchar_t*> cases[] = {
      {L"--prevent-sleep on", L"M 1 - -"}, {L"--PREVENT-SLEEP Off", L"M 0 - -"}, {L"--keep-active toggle", L"M - t -"},
      {L"--prevent-sleep on --for 90s", L"M 1F90 - -"}, {L"--keep-active ON --FOR 2H", L"M - 1F7200 -"},
      {L"--keep-active on --for 1h30m", L"M - 1F5400 -"}, {L"--keep-active on --for 1d12h", L"M - 1F129600 -"},
      {L"--keep-active on --for 7d", L"M - 1F604800 -"}, {L"--keep-active on --for 1s", L"M - 1F1 -"},
      {L"--prevent-sleep on --until 7:05", L"M 1U7:5 - -"}, {L"--prevent-sleep on --until 00:00", L"M 1U0:0 - -"},
      {L"--prevent-sleep on --until 23:59", L"M 1U23:59 - -"}, {L"--black-screen all", L"M - - a"},
      {L"--black-screen Current", L"M - - c"}, {L"--black-screen off", L"M - - 0"}, {L"--exit", L"X - - -"},
      {L"--black-screen toggle", L"M - - t"}, {L"--prevent-sleep on --keep-active on", L"M 1 1 -"},
      {L"--black-screen current --keep-active off --prevent-sleep on --for 2h", L"M 1F7200 0 c"},
      {L"--Status", L"S - - -"}, {L"--help", L"H - - -"}, {L"-h", L"H - - -"}, {L"/?", L"H - - -"}};
  // clang-format on
  for (const auto& [line, call] : cases) EXPECT_EQ(call, Describe(ParseCommandLine(Split(line)))) << line;
}

TEST(CommandLineParser, AnInvalidLineIsRefusedWithAMessageSayingWhatIsWrong) {
  const std::wstring follows = L" can only come right after --prevent-sleep on or --keep-active on";
  const std::wstring duration = L"--for takes a duration such as 90s, 45m, 2h, 1h30m or 1d12h";
  const std::wstring range = L"--for takes 1 second to 7 days (7d), not ";
  const std::wstring until = L"--until takes a 24-hour time HH:MM such as 7:30 or 18:05, not \"7:5\"";
  const std::wstring hour = L"--until takes a time from 00:00 to 23:59, not ", on = L"--keep-active on --";
  const std::wstring black = L"--black-screen takes all, current, others, off, toggle or monitor numbers such as 2 "
                             L"or 1,3, but nothing follows it";
  // clang-format off
  const std::pair<std::wstring, std::wstring> cases[] = {
      {L"", L"no option given"}, {L"--Prevent-Sleep=on", L"unknown option \"--Prevent-Sleep=on\""},
      {L"on", L"unknown option \"on\""}, {L"--keep-active no", L"--keep-active takes on, off or toggle, not \"no\""},
      {on + L"black-screen", black}, {on + L"KEEP-ACTIVE off", L"--keep-active is given twice"},
      {L"--black-screen all --black-screen off", L"--black-screen is given twice"},
      {on + L"for 1h --until 7:00", L"--until" + follows}, {L"--for 1h", L"--for" + follows},
      {L"--prevent-sleep off --for 1h", L"--for" + follows + L", not after --prevent-sleep off"},
      {on + L"for 1h1h", duration + L", not \"1h1h\""}, {on + L"for 90", duration + L", not \"90\""},
      {on + L"for", duration + L", but nothing follows it"}, {on + L"for 7d1s", range + L"\"7d1s\""},
      {on + L"for 0s", range + L"\"0s\""}, {on + L"for 99999999999999999999s", range + L"\"99999999999999999999s\""},
      {on + L"until 7:5", until},
      {on + L"until 12:60", hour + L"\"12:60\""}, {on + L"until 24:00", hour + L"\"24:00\""},
      {L"--Status --exit", L"--status stands alone, not with \"--exit\""},
      {L"--exit --exit", L"--exit stands alone, not with \"--exit\""},
      {L"--keep-active on -h", L"-h stands alone, not with \"--keep-active\""}};
  // clang-format on
  for (const auto& [line, message] : cases) {
    std::wstring error;
    EXPECT_EQ(Describe(ParseCommandLine(Split(line), &error)) + L": " + error, L"invalid: " + message);
  }
}

TEST(CommandLineMessage, DataIsTakenOnlyWithItsTagALengthThatEndsItsTextAndWithinTheLimit) {
  const std::vector<std::wstring> args = {L"--keep-active", L"on"};
  const std::wstring data = EncodeCommandLineData(args), big(2049, L'a'), zeros(2048, L'\0');
  const DWORD size = static_cast<DWORD>(data.size() * 2);
  const ULONG_PTR tag = kCommandLineCopyDataTag;
  EXPECT_EQ(DecodeCommandLineData(tag, data.data(), size), args);
  const std::tuple<ULONG_PTR, const wchar_t*, DWORD> refused[] = {
      // another tag, odd, not ended by U+0000, empty,
      {tag + 1, data.data(), size}, {tag, data.data(), size - 1}, {tag, data.data(), size - 2},
      {tag, data.data(), 0},        {tag, big.data(), 4098},      {tag, zeros.data(), 4096}};  // too big
  for (const auto& [tag, text, bytes] : refused) EXPECT_FALSE(DecodeCommandLineData(tag, text, bytes)) << bytes;
  EXPECT_TRUE(EncodeCommandLineData({big}).empty());
  EXPECT_EQ(AnswerCommandLineCall(nullptr), kAnswerUsage);
}

TEST(CommandLineMessage, StatusLinesAreTakenOnlyAsWellFormedTextWithTheirOwnTag) {
  const std::wstring lines = L"prevent-sleep on while obs64.exe\r\nkeep-active paused locked\r\nblack-screen off\r\n";
  const ULONG_PTR tag = kStatusLinesCopyDataTag;
  // clang-format off
  const struct { ULONG_PTR tag; std::wstring text; DWORD shorter; bool taken; } cases[] = {  // shorter: bytes left off
      {tag, lines, 0, true}, {kCommandLineCopyDataTag, lines, 0, false}, {tag, lines, 1, false}, {tag, lines, 2, false},
      {tag, L"a\xD83D\xDE00\r\n", 0, true}, {tag, L"a\xD83D\r\n", 0, false}, {tag, L"\xDE00\r\n", 0, false},
      {tag, L"", 0, false}, {tag, std::wstring(L"a\0\r\n", 4), 0, false},
      {tag, std::wstring(2046, L'a') + L"\r\n", 0, true}, {tag, std::wstring(2047, L'a') + L"\r\n", 0, false}};
  // clang-format on
  for (const auto& [tag, text, shorter, taken] : cases)
    EXPECT_EQ(DecodeStatusLines(tag, text.data(), DWORD(text.size() * 2 - shorter)),
              taken ? std::optional(text) : std::nullopt)
        << text.size() << " " << shorter;
}

// Starting the program when no copy answers: every start fails here, the first with `firstError`.
struct CommandLineStart : testing::Test {
  void SetUp() override {
    starts.clear();
    boxes = 0;
    seams_->createProcess = [](LPCWSTR, LPWSTR, LPSECURITY_ATTRIBUTES, LPSECURITY_ATTRIBUTES, BOOL, DWORD flags, LPVOID,
                               LPCWSTR, LPSTARTUPINFOW, LPPROCESS_INFORMATION) -> BOOL {
      wchar_t mark[2] = {};  // the flags of each start; 0 when it lacked the mark
      starts.push_back(::GetEnvironmentVariableW(kStartedByCallVariable, mark, 2) == 1 ? flags : 0);
      ::SetLastError(starts.size() == 1 ? firstError : ERROR_FILE_NOT_FOUND);
      return FALSE;
    };
    seams_->messageBox = [](HWND, LPCWSTR, LPCWSTR, UINT) { return ++boxes; };
  }
  static inline std::vector<DWORD> starts;
  static inline int firstError = 0, boxes = 0;
  ScopedSeams seams_;
};

TEST_F(CommandLineStart, OutsideTheJobAtNormalPriorityOrInsideAJobThatRefusesBreakaway) {
  constexpr DWORD normal = NORMAL_PRIORITY_CLASS, outside = NORMAL_PRIORITY_CLASS | CREATE_BREAKAWAY_FROM_JOB;
  for (const auto& [error, expected] : {std::pair<DWORD, std::vector<DWORD>>{ERROR_FILE_NOT_FOUND, {outside}},
                                        {ERROR_ACCESS_DENIED, {outside, normal}}}) {
    starts.clear();
    firstError = error;
    EXPECT_EQ(CallRunningProgram({L"--keep-active", L"on"}), kExitNoAnswer);
    EXPECT_EQ(starts, expected) << error;
  }
}

// Without a console only a box can tell of a usage error; without a desktop no one would see it.
TEST_F(CommandLineStart, WithoutADesktopNothingStartsAndNoUsageBoxOpens) {
  const HANDLE out = ::GetStdHandle(STD_OUTPUT_HANDLE), error = ::GetStdHandle(STD_ERROR_HANDLE);
  for (const bool desktop : {true, false}) {
    if (!desktop) seams_->getUserObjectInformation = InvisibleStation;
    for (const DWORD which : {STD_OUTPUT_HANDLE, STD_ERROR_HANDLE}) ::SetStdHandle(which, nullptr);
    EXPECT_EQ(CallRunningProgram({L"--keep-active", L"maybe"}), kExitUsage);
    ::SetStdHandle(STD_OUTPUT_HANDLE, out);
    ::SetStdHandle(STD_ERROR_HANDLE, error);
    EXPECT_EQ(boxes, 1) << desktop;
  }
  EXPECT_EQ(CallRunningProgram({L"--keep-active", L"on"}), kExitNoAnswer);
  EXPECT_TRUE(starts.empty());
}

static UtcTime g_clock = 0, g_zoneChange = 0;  // the zone: UTC, or from +2 h to +1 h at g_zoneChange
static LocalTime Local(UtcTime t) { return t + (g_zoneChange == 0 ? 0 : t < g_zoneChange ? 7200000 : 3600000); }

// The main window with config.ini in English, at 2026-12-06 14:00 UTC, the start-up finished.
struct CommandLineCallTest : testing::Test {
  void SetUp() override {
    seams_->getSystemTime = [](LPSYSTEMTIME now) { ToSystemTime(g_clock, *now); };
    seams_->getLocalTime = [](LPSYSTEMTIME now) { ToSystemTime(Local(g_clock), *now); };
    seams_->systemTimeToTzSpecificLocalTime = [](const TIME_ZONE_INFORMATION*, const SYSTEMTIME* utc, LPSYSTEMTIME to) {
      return ToSystemTime(Local(ToLocalTime(*utc)), *to) ? TRUE : FALSE;
    };
    g_clock = At(L"2026-12-06 14:00:00");
    g_zoneChange = 0;
    ASSERT_NE(app_.MakeMainWindow(), nullptr);
    LoadConfig();
    App().startupFinished = true;
  }
  static LocalTime At(const wchar_t* text) { return ParseLocalTimeFromConfig(text); }
  static LRESULT Call(const std::wstring& line) { return CallProgram(Split(line)); }
  static std::wstring Status() {
    ProgramStatus s;
    EXPECT_TRUE(DecodeStatusAnswer(Call(L"--status"), s));
    return FormatStatusLines(s);
  }
  static void ClockAt(const wchar_t* time) {  // and the ends due by then fire
    g_clock = At(time);
    CheckTimedEnds();
  }
  static std::wstring TipAndMenuLabel() {
    wchar_t label[256] = {};
    ::GetMenuStringW(BuildTrayMenu().Get(), IDM_PREVENT_SLEEP, label, 256, MF_BYCOMMAND);
    return App().trayIconData.szTip + (L"|" + std::wstring(label));
  }
  static void Restart(const std::string& config) {  // config.ini read as at start-up
    ASSERT_TRUE(WriteBytes(App().configPath, ToBytes(config)));
    LoadConfig();
    RestoreTimedSessions();
  }
  bool FileHas(const std::string& text) const { return app_.ConfigText().find(text) != std::string::npos; }
  AppScope app_{
      "[General]\r\nSleepPrevent=0\r\nKeepActive=0\r\n[UI]\r\nLanguage=en\r\n[Overlay]\r\nFadeInDurationMs=0\r\n"};
  StateSeams seams_;
};

TEST_F(CommandLineCallTest, AnOptionAppliesOnTopOfTheHandEditsOfTheFile) {
  const std::string edited = "[General]\r\nSleepPrevent=0\r\nKeepActive=1\r\n[KeepActive]\r\nIdleThresholdSec=100\r\n"
                             "[Hotkey]\r\nAction=BlackAll\r\n";
  ASSERT_TRUE(WriteBytes(App().configPath, ToBytes(edited)));  // by hand, just before the call
  EXPECT_EQ(Call(L"--keep-active ON"), kAnswerApplied);
  EXPECT_TRUE(App().settings.KeepActive && App().settings.IdleThresholdSec == 100u);
  EXPECT_EQ(app_.ConfigText(), edited);  // already on: nothing written
  EXPECT_EQ(Call(L"--prevent-sleep on"), kAnswerApplied);
  EXPECT_TRUE(FileHas("SleepPrevent=1") && FileHas("KeepActive=1") && FileHas("IdleThresholdSec=100"));
}

TEST_F(CommandLineCallTest, ACallBeforeTheStartUpHasFinishedIsAskedToComeAgain) {
  App().startupFinished = false;
  EXPECT_TRUE(Call(L"--exit") == kAnswerStarting && !TakePosted(App().mainWindow, WM_CLOSE));
  App().startupFinished = true;
  EXPECT_TRUE(Call(L"--exit") == kAnswerApplied && TakePosted(App().mainWindow, WM_CLOSE));
}

TEST_F(CommandLineCallTest, APendingEndIsSavedAndShownWithItsDateWhenNotToday) {
  ASSERT_TRUE(AddTrayIcon());
  EXPECT_EQ(Call(L"--prevent-sleep on --for 90s --keep-active on --until 13:00"), kAnswerApplied);
  EXPECT_EQ(App().sleepPreventUntil, (SessionEnd{At(L"2026-12-06 14:01:30"), true}));
  EXPECT_TRUE(FileHas("SleepPreventUntil=2026-12-06 14:01:30") && FileHas("KeepActiveUntil=2026-12-07 13:00:00"));
  const std::wstring soon = L" \u2192 " + FormatLocalTimeForDisplay(At(L"2026-12-06 14:01:30"), g_clock);
  const LocalTime tomorrow = At(L"2026-12-07 13:00:00");  // 13:00 has passed today
  const std::wstring dated = FormatLocalTimeForDisplay(tomorrow, g_clock);
  EXPECT_TRUE(dated.ends_with(L" " + FormatLocalTimeForDisplay(tomorrow, tomorrow))) << dated;
  EXPECT_EQ(TipAndMenuLabel(),
            L"Umbraline | Sleep prevent ON" + soon + L" | Keep active ON \u2192 " + dated + L"|Prevent sleep" + soon);
  EXPECT_EQ(Status(), L"prevent-sleep on until 2026-12-06 14:01\r\nkeep-active on until 2026-12-07 13:00\r\n"
                      L"black-screen off\r\n");
}

TEST_F(CommandLineCallTest, AtStartAPassedEndSwitchesItsModeOffAndAFutureOneIsPendingAgain) {
  Restart("[General]\r\nSleepPrevent=1\r\nSleepPreventUntil=2026-12-06 13:59:59\r\n"
          "KeepActive=1\r\nKeepActiveUntil=2026-12-07 13:00:00\r\n");
  EXPECT_TRUE(!App().settings.SleepPrevent && App().sleepPreventUntil.time == 0 && !FileHas("SleepPreventUntil"));
  EXPECT_TRUE(App().settings.KeepActive && App().keepActiveUntil.time == At(L"2026-12-07 13:00:00") &&
              FileHas("SleepPrevent=0"));
}

// The night summer time ends (+2 h until 01:00 UTC, then +1 h), from 02:30 summer time: "--for 2h" lasts two
// hours of UTC (kept with "Z", shown as 03:30 winter time), "--until 2:45" ends when the local clock first shows
// it; each fires at its time as the menu command would; at start an end marked "Z" is read as UTC, one without (as
// all were kept before) as local.
TEST_F(CommandLineCallTest, EndsFireAtTheirTimeAlsoAcrossAClockChange) {
  ASSERT_TRUE(AddTrayIcon());
  g_zoneChange = At(L"2026-10-25 01:00:00");
  g_clock = At(L"2026-10-25 00:30:00");
  EXPECT_EQ(Call(L"--prevent-sleep on --for 2h --keep-active on --until 2:45"), kAnswerApplied);
  EXPECT_TRUE(FileHas("SleepPreventUntil=2026-10-25 02:30:00Z\r\n") &&
              FileHas("KeepActiveUntil=2026-10-25 02:45:00\r"));
  EXPECT_TRUE(
      Status().starts_with(L"prevent-sleep on until 2026-10-25 03:30\r\nkeep-active on until 2026-10-25 02:45"));
  ClockAt(L"2026-10-25 00:45:00");  // 02:45 summer time
  EXPECT_TRUE(App().settings.SleepPrevent && !App().settings.KeepActive);
  ClockAt(L"2026-10-25 02:29:59");  // 03:29:59 winter time
  EXPECT_TRUE(App().settings.SleepPrevent);
  ClockAt(L"2026-10-25 02:30:00");
  EXPECT_TRUE(!App().settings.SleepPrevent && App().sleepPreventUntil.time == 0 && !FileHas("Until"));
  EXPECT_TRUE(FileHas("SleepPrevent=0") && App().trayIconData.szTip == std::wstring(L"Umbraline"));
  Restart("[General]\r\nSleepPrevent=1\r\nSleepPreventUntil=2026-10-25 03:31\r\n"
          "KeepActive=1\r\nKeepActiveUntil=2026-10-25 02:31:00Z\r\n");
  EXPECT_EQ(App().sleepPreventUntil, (SessionEnd{At(L"2026-10-25 03:31:00"), false}));
  EXPECT_EQ(App().keepActiveUntil, (SessionEnd{At(L"2026-10-25 02:31:00"), true}));
}

// A call let in while another waits on the shell (the tooltip is a sent message) is asked again, to come after it.
TEST_F(CommandLineCallTest, ACallArrivingWhileAnotherIsCarriedOutComesAgainAfterIt) {
  static LRESULT nested = 0;
  seams_->shellNotifyIcon = [](DWORD, PNOTIFYICONDATAW) -> BOOL {
    if (nested == 0) nested = Call(L"--keep-active off");
    return TRUE;
  };
  App().trayIconAdded = true;
  EXPECT_EQ(Call(L"--prevent-sleep on --keep-active on"), kAnswerApplied);
  EXPECT_EQ(nested, kAnswerStarting);
}

// A call from another thread while config.ini is held: answered before one save waits on the file; the owed save
// survives a reload and its timer writes only what the call changed once the file is free.
TEST_F(CommandLineCallTest, ACallOnABusyFileIsAnsweredFirstAndItsChangesAreSavedOnceTheFileIsFree) {
  static std::atomic<int> answer, pauses, answeredBeforePause;
  answer = pauses = answeredBeforePause = 0;
  seams_->sleep = [](DWORD) {  // the pauses between the tries on the busy file; the first waits for the answer
    for (int i = 0; i < 1000 && pauses == 0 && answer == 0; ++i) ::Sleep(5);
    answeredBeforePause += pauses++ == 0 && answer != 0;
  };
  std::optional<LockedFile> lock(std::in_place, App().configPath);
  std::thread caller([data = EncodeCommandLineData(Split(L"--prevent-sleep on --for 1h --keep-active on"))] {
    COPYDATASTRUCT call{kCommandLineCopyDataTag, static_cast<DWORD>(data.size() * 2),
                        const_cast<wchar_t*>(data.data())};
    DWORD_PTR answered = 0;
    ::SendMessageTimeoutW(App().mainWindow, WM_COPYDATA, 0, LPARAM(&call), SMTO_NORMAL, 60000, &answered);
    answer = static_cast<int>(answered);
  });
  for (MSG m; answer == 0; ::Sleep(1)) ::PeekMessageW(&m, nullptr, 0, 0, PM_NOREMOVE);  // takes the sent call
  caller.join();
  EXPECT_TRUE(answer == kAnswerApplied && answeredBeforePause == 1 && pauses == kFileBusyTries - 1);
  SaveConfig();  // a change while the save is owed: tried once, without waiting on the file again
  EXPECT_EQ(pauses, kFileBusyTries - 1);
  lock.emplace(App().configPath, FILE_SHARE_READ);  // readable, but not to be replaced
  LoadConfig();
  EXPECT_TRUE(App().settings.SleepPrevent && App().settings.KeepActive && App().sleepPreventUntil.time != 0);
  lock.reset();
  EXPECT_TRUE(FileHas("SleepPrevent=0") && ::KillTimer(App().mainWindow, TIMER_CONFIG_SAVE));
  ::SendMessageW(App().mainWindow, WM_TIMER, TIMER_CONFIG_SAVE, 0);
  EXPECT_TRUE(FileHas("SleepPrevent=1") && FileHas("KeepActive=1") && FileHas("SleepPreventUntil=") &&
              !FileHas("RunAtStartup") && !App().configSavePending);
}

TEST_F(CommandLineCallTest, TheTrayAndTheBadgesShowWhyAModeIsInForceButTheTickStaysTheUsers) {
  ASSERT_TRUE(AddTrayIcon());
  seams_->sessionLockedOrDisconnected = [] { return true; };  // read when keep active asks for the session's notices
  App().sleepPreventProgram = L"obs64.exe";
  App().settings.KeepActive = true;
  ApplyWantedState();
  EXPECT_TRUE(TipAndMenuLabel().ends_with(L"(paused: locked)|Prevent sleep (while obs64.exe runs)"));
  const OverlayComposition badges = BuildOverlayComposition(0);
  EXPECT_TRUE(badges.showSleepPreventBadge && !badges.showKeepActiveBadge);
  EXPECT_FALSE(::GetMenuState(BuildTrayMenu().Get(), IDM_PREVENT_SLEEP, MF_BYCOMMAND) & MF_CHECKED);
}

// Presets 1h30m and 17:30: items 1041 and 1042 of prevent sleep, 1051 and 1052 of keep active; 1040 and 1050
// are "until I turn it off". Marked across a restart; any other way of setting the mode drops the mark.
TEST_F(CommandLineCallTest, APresetStartsASessionAndStaysMarkedUntilItsModeIsSetOtherwise) {
  const auto marks = [] {  // the items ticked in both submenus (~0u: no such item)
    std::wstring marks;
    for (UINT id = 1040; id <= 1058; ++id)
      if ((::GetMenuState(BuildTrayMenu().Get(), id, MF_BYCOMMAND) & (MF_CHECKED | 0x80000000u)) == MF_CHECKED)
        marks += std::to_wstring(id) + L" ";
    return marks;
  };
  Restart("[UI]\r\nLanguage=en\r\n[Timer]\r\nPresets=1h30m, 17:30\r\n");
  g_clock = At(L"2026-12-06 18:00:00");
  HandleCommand(1041);
  HandleCommand(1052);  // 17:30 has passed: tomorrow
  const HWND window = App().mainWindow;
  App() = AppState{};  // what the program knew is gone
  App().mainWindow = window;
  App().configPath = app_.folder_.File(L"config.ini");
  Restart(app_.ConfigText());
  App().startupFinished = true;
  EXPECT_EQ(marks(), L"1041 1052 ");
  EXPECT_TRUE(App().sleepPreventUntil.time == At(L"2026-12-06 19:30:00") &&
              App().keepActiveUntil.time == At(L"2026-12-07 17:30:00"));
  const std::pair<void (*)(), const wchar_t*> cases[] = {{[] { HandleCommand(1040); }, L"1040 1052 "},
                                                         {[] { Call(L"--prevent-sleep on --for 2h"); }, L"1052 "},
                                                         {[] { HandleCommand(IDM_PREVENT_SLEEP); }, L"1052 "}};
  for (const auto& [step, expected] : cases) {
    HandleCommand(1041);
    step();
    EXPECT_TRUE(marks() == expected && !FileHas("SleepPreventPreset=")) << &step - &cases[0].first;
  }
}

// The notices the shell is given, recorded as "A4 text|" (user icon, large, quiet time), "(wrong)" after the flags
// of one not sent as a notice should be.
constexpr UtcTime kMsPerHour = 60 * kMsPerMinute;
struct NoticeTest : CommandLineCallTest {
  void SetUp() override {
    CommandLineCallTest::SetUp();
    seams_->shellNotifyIcon = [](DWORD message, PNOTIFYICONDATAW d) -> BOOL {
      const bool right = message == NIM_MODIFY && d->uFlags == NIF_INFO && d->hWnd == App().mainWindow &&
                         d->uID == kTrayIconId && d->hBalloonIcon == App().noticeIcon.Get() &&
                         d->szInfoTitle == std::wstring(L"Umbraline");
      if (d->uFlags & NIF_INFO || d->szInfo[0])
        notices += HexText(d->dwInfoFlags) + (right ? L" " : L" (wrong) ") + d->szInfo + L"|";
      return TRUE;
    };
    ASSERT_TRUE(AddTrayIcon());
  }
  static inline std::wstring notices;
};

// Each row an hour before its check; the ends of the user's command, of a script's call that leaves the mode on,
// ended before the start, or with notices turned off, tell nothing, nor do the tooltip and an icon added back.
TEST_F(NoticeTest, ANoticeTellsWhichModesEndedByThemselvesAndOnlyOnce) {
  // clang-format off
  const std::pair<void (*)(), const wchar_t*> cases[] = {
      {[] { Call(L"--prevent-sleep on --for 1m"); }, L"A4 Prevent sleep ended|"},
      {[] { Call(L"--prevent-sleep on --for 1m --keep-active on --for 1m"); },
       L"A4 Prevent sleep and Keep running ended|"},
      {[] { HandleCommand(1051); g_clock += kMsPerHour; CheckTimedEndsAtResumeWithNotice(PBT_APMRESUMESUSPEND); },
       L"A4 Keep running ended|"},
      {[] { Call(L"--keep-active on --for 1m"); HandleCommand(IDM_KEEP_ACTIVE); }, L""},
      {[] { Call(L"--keep-active on --for 1m"); Call(L"--keep-active on"); }, L""},
      {[] { Call(L"--keep-active on --for 1m"); g_clock += kMsPerHour; CheckTimedEndsWithNotice();
            notices.clear(); UpdateTrayTooltip(); ReAddTrayIcon(); }, L""},
      {[] { Restart("[General]\r\nSleepPrevent=1\r\nSleepPreventUntil=2026-12-06 14:00:00\r\n"); }, L""},
      {[] { Restart("[Timer]\r\nNotifyAtEnd=0\r\n"); Call(L"--prevent-sleep on --for 1m"); }, L""}};
  // clang-format on
  for (const auto& [step, expected] : cases) {
    notices.clear();
    step();
    g_clock += kMsPerHour;
    CheckTimedEndsWithNotice();
    EXPECT_EQ(notices, expected);
  }
}

TEST_F(NoticeTest, AClickOnTheNoticeOpensTheMenu) {
  ::SendMessageW(App().mainWindow, WM_TRAYICON, 0, NIN_BALLOONUSERCLICK);
  EXPECT_TRUE(TakePosted(App().mainWindow, WM_SHOWTRAYMENU));
}

TEST(LocalTimeText, TheConfigFormIsReadOnlyWhenItIsAValidTime) {
  EXPECT_EQ(FormatLocalTimeForConfig(ParseLocalTimeFromConfig(L" 2026-02-28 23:59 ")), L"2026-02-28 23:59:00");
  for (const wchar_t* bad :
       {L"", L"2026-02-29 10:00", L"2026-12-06 24:00", L"2026-12-06T14:00", L"2026-12-06 14:00:60", L"26-12-06 14:00"})
    EXPECT_EQ(ParseLocalTimeFromConfig(bad), 0) << bad;
}
