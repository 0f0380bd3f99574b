#include "power/Power.h"

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "app/CommandLineCalls.h"
#include "app/Commands.h"
#include "app/Conditions.h"
#include "base/Messages.h"
#include "config/ConfigLoad.h"
#include "power/WantedState.h"

using Sent = std::vector<std::tuple<DWORD, LONG, DWORD>>;  // each input: type, dx or key, flags
Sent nudges;
DWORD lastInput = 0;
BOOL WINAPI LastInput(PLASTINPUTINFO info) {
  info->dwTime = lastInput;
  return TRUE;
}
UINT WINAPI Record(UINT count, LPINPUT in, int) {
  for (UINT i = 0; i < count; ++i)
    nudges.emplace_back(in[i].type, in[i].type == INPUT_MOUSE ? in[i].mi.dx : in[i].ki.wVk,
                        in[i].type == INPUT_MOUSE ? in[i].mi.dwFlags : in[i].ki.dwFlags);
  return count;
}
struct PowerSetting {  // a POWERBROADCAST_SETTING with its data
  GUID guid;
  DWORD length, value;
};

// Nudges only after the idle threshold (also across the tick's wrap), and only while its timer is on.
TEST(KeepActive, NudgesOnlyAfterTheIdleThresholdWithTheChosenInput) {
  AppScope app;
  ScopedSeams seams;
  seams->getTickCount = [] { return DWORD{5000}; };
  seams->getLastInputInfo = LastInput;
  seams->sendInput = Record;
  const Sent mouse{{INPUT_MOUSE, 1, MOUSEEVENTF_MOVE}, {INPUT_MOUSE, -1, MOUSEEVENTF_MOVE}};  // a pixel and back
  const Sent f15{{INPUT_KEYBOARD, VK_F15, 0}, {INPUT_KEYBOARD, VK_F15, KEYEVENTF_KEYUP}};
  // clang-format off
  const struct { DWORD last; NudgeKind kind; bool on; Sent sent; } checks[] = {
      {4001, NudgeKind::Mouse, true, {}}, {4000, NudgeKind::Mouse, true, mouse}, {4000, NudgeKind::F15, true, f15},
      {0xFFFFFF00u, NudgeKind::Mouse, true, mouse}, {0, NudgeKind::Mouse, false, {}}};
  // clang-format on
  App().idleThresholdMs = 1000;
  for (const auto& c : checks) {
    nudges.clear();
    lastInput = c.last;
    App().nudgeKind = c.kind;
    App().keepActiveTimerOn = c.on;
    OnKeepActiveTimer();
    EXPECT_EQ(nudges, c.sent) << c.last;
  }
}

// A wake nobody attends (a timer, maintenance) with both modes on, idle for weeks: nothing is ever nudged.
struct UnattendedWake : testing::Test {
  UnattendedWake() {
    seams->getTickCount = [] { return DWORD{0x7FFFFFFF}; };
    seams->getLastInputInfo = LastInput;
    seams->sendInput = Record;
    nudges.clear();
    lastInput = 1;
    LoadConfig();
    ReapplyPowerState();
  }
  void TearDown() override { EXPECT_TRUE(nudges.empty()); }
  void Send(UINT message, WPARAM w, const void* l = nullptr) { ::SendMessageW(window, message, w, LPARAM(l)); }
  void Wake() {
    Send(WM_POWERBROADCAST, PBT_APMSUSPEND);
    Send(WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC);
  }
  AppScope app{"[General]\r\nSleepPrevent=1\r\nKeepActive=1\r\n"};
  StateSeams seams;
  const HWND window = app.MakeMainWindow();
};
const PowerSetting kDisplayOff{GUID_CONSOLE_DISPLAY_STATE, sizeof(DWORD), 0};
const PowerSetting kDisplayOn{GUID_CONSOLE_DISPLAY_STATE, sizeof(DWORD), 1};

TEST_F(UnattendedWake, RestsTheModesThroughAClockChangeTheirTimersAndTheDisplayTurningOff) {
  Wake();
  Send(WM_TIMECHANGE, 0);
  Send(WM_TIMER, TIMER_KEEPACTIVE);
  Send(WM_TIMER, TIMER_USER_RETURN);  // no input since
  Send(WM_POWERBROADCAST, PBT_POWERSETTINGCHANGE, &kDisplayOff);
  EXPECT_EQ(executionStates, (std::vector<EXECUTION_STATE>{0x80000003, 0x80000000}));
  EXPECT_FALSE(App().keepActiveTimerOn);
}

TEST_F(UnattendedWake, ACallForKeepActiveIsSavedYetRestsUntilTheUserIsBack) {
  App().keepActiveUntil = {1, false};  // an end long passed: it comes at the wake
  Wake();
  ASSERT_FALSE(App().settings.KeepActive);
  CarryOutCommandLineCall(*ParseCommandLine({L"--keep-active", L"on"}));
  EXPECT_TRUE(App().settings.KeepActive && app.ConfigText().find("KeepActive=1") != std::string::npos);
  EXPECT_FALSE(App().keepActiveTimerOn);
}

TEST_F(UnattendedWake, ACallForSleepPreventionHoldsAtOnceForThatWakeOnly) {
  Wake();
  CarryOutCommandLineCall(*ParseCommandLine({L"--prevent-sleep", L"on", L"--until", L"05:00"}));
  EXPECT_EQ(executionStates.back(), 0x80000003);
  Wake();
  EXPECT_EQ(executionStates.back(), 0x80000000);
}

TEST_F(UnattendedWake, TheModesResumeWhenTheUserIsBackAndRestAgainAtTheNextWake) {
  // clang-format off
  const struct { const char* name; UINT message; WPARAM w; DWORD input; } backs[] = {
      {"resume for the user", WM_POWERBROADCAST, PBT_APMRESUMESUSPEND, 0}, {"an input", WM_TIMER, TIMER_USER_RETURN, 1},
      {"the display on", WM_POWERBROADCAST, PBT_POWERSETTINGCHANGE, 0}};
  // clang-format on
  for (const auto& b : backs) {
    SCOPED_TRACE(b.name);
    Wake();
    EXPECT_EQ(executionStates.back(), 0x80000000);
    lastInput += b.input;
    Send(b.message, b.w, &kDisplayOn);
    EXPECT_EQ(executionStates.back(), 0x80000003);
    EXPECT_TRUE(App().keepActiveTimerOn && ::KillTimer(window, TIMER_KEEPACTIVE) &&
                !::KillTimer(window, TIMER_USER_RETURN));
  }
}

// Requests: s switch on, e pending end, c a call during the unattended wake, w a program running. Globals: b on
// battery, n no battery, m only on mains power, l battery floor latched, k locked or disconnected, p sleep prevention
// pauses while locked, u unattended wake. Each mode's status line tells its state.
bool Has(std::string_view flags, char flag) { return flags.find(flag) != flags.npos; }
ModeRequests Requests(std::string_view f) {
  return {Has(f, 's'), Has(f, 'e') ? ToLocalTime(SYSTEMTIME{2026, 12, 0, 6, 16, 30}) : 0, Has(f, 'c'),
          Has(f, 'w') ? L"OBS64" : L""};
}
std::wstring Wide(std::string_view text) { return {text.begin(), text.end()}; }
void ExpectLines(std::initializer_list<std::array<const char*, 5>> cases) {  // sleep, keep, globals; two lines
  for (const auto& [sleep, keep, g, sleepLine, keepLine] : cases) {
    const WantedState wanted = ComputeWantedState({Requests(sleep), Requests(keep), Has(g, 'b'), !Has(g, 'n'),
                                                   Has(g, 'm'), Has(g, 'l'), Has(g, 'k'), Has(g, 'p'), Has(g, 'u')});
    for (const auto& [word, mode, line] : {std::tuple(L"prevent-sleep", wanted.sleepPrevent, sleepLine),
                                           std::tuple(L"keep-active", wanted.keepActive, keepLine)}) {
      SCOPED_TRACE(std::string(sleep) + "/" + keep + "/" + g + ": " + line);
      EXPECT_EQ(ModeStatusLine(word, mode), std::wstring(word) + L" " + Wide(line));
      EXPECT_EQ(mode.state, line[0] == 'p' ? ModeState::Paused : line[1] == 'f' ? ModeState::Off : ModeState::On);
    }
  }
}
const char *until = "on until 2026-12-06 16:30", *obs = "on while OBS64", *battery = "paused on-battery",
           *low = "paused battery-low", *locked = "paused locked", *unattended = "paused unattended";

// The switch before a program; a call counts only during an unattended wake; a mode nobody holds is never paused.
TEST(WantedState, AHeldModeIsOnAndNamesWhatHoldsIt) {
  // clang-format off
  ExpectLines({{"", "", "", "off", "off"}, {"", "", "bmlkpu", "off", "off"}, {"s", "s", "", "on", "on"},
               {"se", "e", "", until, until}, {"w", "sw", "", obs, "on"}, {"c", "c", "", "off", "off"}});
  // clang-format on
}

// On battery only OnlyOnMainsPower pauses; the floor only on battery with a battery; a lock keep active, and sleep
// prevention when asked.
TEST(WantedState, PausesComeFirstReasonFirst) {
  // clang-format off
  ExpectLines({{"sew", "w", "b", until, obs}, {"s", "w", "bm", battery, battery}, {"s", "s", "m", "on", "on"},
               {"s", "w", "bl", low, low}, {"s", "s", "l", "on", "on"}, {"s", "s", "bln", "on", "on"},
               {"s", "s", "bmlkpu", battery, battery}, {"s", "s", "blkpu", low, low}, {"s", "w", "k", "on", locked},
               {"w", "s", "kp", locked, locked}, {"s", "", "kpu", locked, "off"}});
  // clang-format on
}

// It pauses keep active always, and sleep prevention held by the switch alone.
TEST(WantedState, AnUnattendedWakePausesAllButACallOrAProgramForSleepPrevention) {
  // clang-format off
  ExpectLines({{"s", "s", "u", unattended, unattended}, {"s", "s", "ku", unattended, locked},
               {"ce", "c", "u", until, "off"}, {"sew", "w", "u", obs, unattended}, {"w", "", "kpu", obs, "off"},
               {"sc", "", "kpu", "on", "off"}, {"w", "", "bmu", battery, "off"}, {"cw", "", "blu", low, "off"}});
  // clang-format on
}

// Latched below the floor until five more (at most 100) or mains; no battery, a floor of 0: never; unknown: kept.
TEST(WantedState, BatteryFloorLatchesUntilFiveMoreOrMains) {
  // clang-format off
  const struct { bool wasLow, onBattery, hasBattery; int percent; std::uint32_t floor; bool low; } cases[] = {
      {false, true, true, 19, 20, true}, {false, true, true, 20, 20, false}, {true, true, true, 24, 20, true},
      {true, true, true, 25, 20, false}, {true, false, true, 5, 20, false}, {true, true, false, 5, 20, false},
      {false, true, true, 0, 0, false}, {true, true, true, 99, 98, true}, {true, true, true, 100, 98, false},
      {false, true, true, 99, 100, true}, {true, true, true, 255, 20, true}, {false, true, true, -1, 20, false}};
  // clang-format on
  for (const auto& c : cases)
    EXPECT_EQ(NextBatteryLow(c.wasLow, c.onBattery, c.hasBattery, c.percent, c.floor), c.low)
        << c.percent << " " << c.floor;
}

// Records the power and session notices asked for (session: registered minus unregistered) and the tray notices
// shown; Windows' answers chosen here: mains, charging, 50 %, an unlocked session, `runningNow`.
std::vector<GUID> powerNotices;
int sessionNotices = 0, notices = 0;
std::vector<RunningProcess> runningNow;
BOOL WINAPI RegisterSession(HWND, DWORD) {
  ++sessionNotices;
  return TRUE;
}
const GUID kSource = GUID_ACDC_POWER_SOURCE, kCharge = GUID_BATTERY_PERCENTAGE_REMAINING, kSession{};
const std::string kBoth = "SleepPrevent=1\r\nKeepActive=1";
struct Conditions : testing::Test {
  Conditions() {
    powerNotices.clear();
    sessionNotices = notices = 0;
    runningNow.clear();
    seams->registerPowerSettingNotification = [](HANDLE, LPCGUID guid, DWORD) {
      powerNotices.push_back(*guid);
      return HPOWERNOTIFY(0x1234);
    };
    seams->getSystemPowerStatus = [](LPSYSTEM_POWER_STATUS s) {
      *s = {1, 8, 50, 0, 0, 0};
      return TRUE;
    };
    seams->registerSessionNotification = RegisterSession;
    seams->unregisterSessionNotification = [](HWND) {
      --sessionNotices;
      return TRUE;
    };
    seams->sessionLockedOrDisconnected = [] { return false; };
    seams->listRunningProcesses = [] { return runningNow; };
  }
  HWND Follow(const std::string& general, const std::string& conditions) {  // the main window
    WriteBytes(App().configPath, ToBytes("[General]\r\n" + general + "\r\n[Conditions]\r\n" + conditions + "\r\n"));
    if (!App().mainWindow) app.MakeMainWindow();
    LoadConfig();
    FollowPowerSettings();
    return App().mainWindow;
  }
  // Each step: a power setting changes (or, from kSession, the session); then the modes in force.
  void ExpectSteps(std::initializer_list<std::tuple<GUID, DWORD, const char*>> steps) const {
    for (const auto& [guid, value, inForce] : steps) {
      const PowerSetting setting{guid, sizeof(DWORD), value};
      if (IsEqualGUID(guid, kSession)) ::SendMessageW(App().mainWindow, WM_WTSSESSION_CHANGE, value, 0);
      else ::SendMessageW(App().mainWindow, WM_POWERBROADCAST, PBT_POWERSETTINGCHANGE, LPARAM(&setting));
      EXPECT_STREQ(InForce(), inForce) << value;
    }
  }
  static const char* InForce() {  // S: sleep prevention, K: keep active
    return App().executionStateApplied ? (App().keepActiveTimerOn ? "SK" : "S") : (App().keepActiveTimerOn ? "K" : "");
  }
  // A timed end long passed, which comes at an unattended wake; the tray notices shown once the user is back.
  int EndNoticesOfAWake(const wchar_t* running) {
    seams->shellNotifyIcon = [](DWORD, PNOTIFYICONDATAW data) {
      notices += (data->uFlags & NIF_INFO) != 0;
      return TRUE;
    };
    runningNow = {{1, running}};
    App().trayIconAdded = true;
    Follow("KeepActive=1", "KeepActiveWhileRunning=backup");
    App().keepActiveUntil = {1, false};
    for (WPARAM event : {PBT_APMSUSPEND, PBT_APMRESUMEAUTOMATIC}) Power(event);
    EXPECT_TRUE(notices == 0 && !App().settings.KeepActive);
    for (WPARAM event : {PBT_APMRESUMESUSPEND, PBT_APMRESUMESUSPEND}) Power(event);
    return notices;
  }
  static void Power(WPARAM event) { ::SendMessageW(App().mainWindow, WM_POWERBROADCAST, event, 0); }
  AppScope app;
  StateSeams seams;
};

TEST_F(Conditions, NoticesAndTheScanAreAskedForOnlyWhileAConditionNeedsThem) {
  // clang-format off
  const struct { const char *general, *conditions; std::size_t power; int session; bool scan; } cases[] = {
      {"SleepPrevent=1", "", 0, 0, false}, {"KeepActive=1", "", 0, 1, false},
      {"", "PauseSleepPreventWhileLocked=1", 0, 1, false}, {"", "MinBatteryPercent=5", 2, 0, false},
      {"", "OnlyOnMainsPower=1", 2, 0, false}, {"", "SleepPreventWhileRunning=absent", 0, 0, true}};
  // clang-format on
  for (const auto& c : cases) {
    const HWND window = Follow(c.general, c.conditions);
    EXPECT_TRUE(powerNotices.size() == c.power && sessionNotices == c.session &&
                ::KillTimer(window, TIMER_PROGRAM_SCAN) == c.scan)
        << c.general << c.conditions;
    SetKeepActive(false);
    StopConditionWatch();
    powerNotices.clear();
  }
}

TEST_F(Conditions, StoppingTheWatchLetsEveryNoticeGo) {
  Follow("KeepActive=1", "MinBatteryPercent=5\r\nOnlyOnMainsPower=1\r\nPauseSleepPreventWhileLocked=1");
  SetKeepActive(false);
  StopConditionWatch();
  EXPECT_TRUE(sessionNotices == 0 && !App().powerSourceNotification && !App().batteryNotification);
}

// Refused at log-on (Terminal Services not running yet).
TEST_F(Conditions, SessionNoticesRefusedAreAskedForAgainOnATimer) {
  seams->registerSessionNotification = [](HWND, DWORD) {
    ::SetLastError(RPC_S_INVALID_BINDING);
    return FALSE;
  };
  const HWND window = Follow("KeepActive=1", "");
  seams->registerSessionNotification = RegisterSession;
  ASSERT_TRUE(!App().sessionNotificationRegistered && ::KillTimer(window, TIMER_SESSION_NOTICE));
  ::SendMessageW(window, WM_TIMER, TIMER_SESSION_NOTICE, 0);
  EXPECT_TRUE(sessionNotices == 1 && App().sessionNotificationRegistered && !::KillTimer(window, TIMER_SESSION_NOTICE));
}

TEST_F(Conditions, OnlyOnMainsPowerPausesBothModesOnBatteryOrAUps) {
  Follow(kBoth, "OnlyOnMainsPower=1");
  ExpectSteps({{kSource, 1, ""}, {kSource, 0, "SK"}, {kSource, 2, ""}, {kCharge, 80, ""}, {kSource, 0, "SK"}});
}

TEST_F(Conditions, TheBatteryFloorPausesBothModesOnBatteryUntilFiveMore) {
  Follow(kBoth, "MinBatteryPercent=20");
  // clang-format off
  ExpectSteps({{kCharge, 10, "SK"}, {kSource, 1, ""}, {kCharge, 24, ""}, {kCharge, 25, "SK"}, {kCharge, 19, ""},
               {kSource, 0, "SK"}});
  // clang-format on
}

TEST_F(Conditions, ALockedOrDisconnectedSessionPausesKeepActive) {
  Follow(kBoth, "");
  ExpectSteps({{kSession, WTS_SESSION_LOCK, "S"},
               {kSession, WTS_SESSION_UNLOCK, "SK"},
               {kSession, WTS_REMOTE_DISCONNECT, "S"},
               {kSession, WTS_CONSOLE_CONNECT, "SK"}});
}

TEST_F(Conditions, ALockedSessionPausesSleepPreventionTooWhenAsked) {
  Follow(kBoth, "PauseSleepPreventWhileLocked=1");
  ExpectSteps({{kSession, WTS_SESSION_LOCK, ""}, {kSession, WTS_SESSION_UNLOCK, "SK"}});
}

// In any case, with or without .exe; one that cannot be opened is scanned for again.
TEST_F(Conditions, AListedProgramHoldsItsModeFromTheScan) {
  runningNow = {{0xFFFFFFF0u, L"ping.EXE"}};
  const HWND window = Follow("", "SleepPreventWhileRunning=PING.exe\r\nKeepActiveWhileRunning=nothing, Ping");
  EXPECT_TRUE(App().sleepPreventProgram == L"PING.exe" && App().keepActiveProgram == L"Ping" &&
              ::KillTimer(window, TIMER_PROGRAM_SCAN));
  EXPECT_STREQ(InForce(), "SK");
}

// Seen through the wait; then the scan resumes, and the ended one, still listed while our handle holds it, is left.
TEST_F(Conditions, ARunningProgramHoldsItsModeUntilItsEndIsSeen) {
  const HWND window = Follow("", "SleepPreventWhileRunning=ping");
  std::wstring command = L"ping.exe -n 60 127.0.0.1";
  STARTUPINFOW startup{sizeof startup};
  PROCESS_INFORMATION ping{};
  ASSERT_TRUE(::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                               &startup, &ping));
  const KernelHandle process(ping.hProcess), thread(ping.hThread);
  seams->listRunningProcesses = ListRunningProcesses;
  RescanPrograms();
  ASSERT_TRUE(App().watchedProcesses.size() == 1 && App().sleepPreventProgram == L"ping");
  ::TerminateProcess(process.Get(), 0);
  for (int i = 0; i < 100 && !App().sleepPreventProgram.empty(); ++i) {
    for (MSG m; ::PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE);) ::DispatchMessageW(&m);
    WaitForMessageOrProgramEnd(100);
  }
  EXPECT_TRUE(App().sleepPreventProgram.empty() && App().watchedProcesses.empty() &&
              ::KillTimer(window, TIMER_PROGRAM_SCAN) && !*InForce());
  seams->listRunningProcesses = [] { return runningNow; };
  runningNow = {{ping.dwProcessId, L"ping.exe"}};
  RescanPrograms();
  EXPECT_TRUE(App().sleepPreventProgram.empty() && App().watchedProcesses.empty());
}

TEST_F(Conditions, ATimedEndInAnUnattendedWakeIsToldOnceWhenTheUserIsBack) {
  EXPECT_EQ(EndNoticesOfAWake(L"other.exe"), 1);
}

TEST_F(Conditions, ATimedEndInAnUnattendedWakeIsNotToldWhileAProgramHoldsTheMode) {
  EXPECT_EQ(EndNoticesOfAWake(L"backup.exe"), 0);
}
