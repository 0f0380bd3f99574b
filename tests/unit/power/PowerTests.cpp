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

// Nudges only after the idle threshold (also across the tick's wrap): a pixel there and back, or F15.
TEST(KeepActive, NudgesOnlyAfterTheIdleThresholdWithTheChosenInput) {
  AppScope app;
  ScopedSeams seams;
  seams->getTickCount = [] { return DWORD{5000}; };
  seams->getLastInputInfo = [](PLASTINPUTINFO info) { return info->dwTime = lastInput, TRUE; };
  seams->sendInput = [](UINT count, LPINPUT in, int) {
    for (UINT i = 0; i < count; ++i)
      nudges.emplace_back(in[i].type, in[i].type == INPUT_MOUSE ? in[i].mi.dx : in[i].ki.wVk,
                          in[i].type == INPUT_MOUSE ? in[i].mi.dwFlags : in[i].ki.dwFlags);
    return count;
  };
  const Sent mouse{{INPUT_MOUSE, 1, MOUSEEVENTF_MOVE}, {INPUT_MOUSE, -1, MOUSEEVENTF_MOVE}};
  const struct {
    DWORD last;
    NudgeKind kind;
    bool on;
    Sent sent;
  } checks[] = {{4001, NudgeKind::Mouse, true, {}},
                {4000, NudgeKind::Mouse, true, mouse},
                {4000, NudgeKind::F15, true, {{INPUT_KEYBOARD, VK_F15, 0}, {INPUT_KEYBOARD, VK_F15, KEYEVENTF_KEYUP}}},
                {0xFFFFFF00u, NudgeKind::Mouse, true, mouse},
                {0, NudgeKind::Mouse, false, {}}};
  App().idleThresholdMs = 1000;
  for (const auto& c : checks) {
    nudges.clear(), lastInput = c.last, App().nudgeKind = c.kind, App().keepActiveTimerOn = c.on;
    OnKeepActiveTimer();
    EXPECT_EQ(nudges, c.sent) << c.last;
  }
}

// A wake nobody attends (a timer, maintenance): the user's modes rest through a timed end, a call and a
// clock change, and nothing is nudged; sleep prevention that a call asks for holds at once, the rest
// from the user's return (Windows' resume for the user, the first input, the display turning on).
TEST(UnattendedWake, OnlyACallKeepsThePcAwakeUntilTheUserIsBack) {
  struct DisplayState {
    GUID setting;
    DWORD length, state;
  };  // a POWERBROADCAST_SETTING with its data
  const DisplayState off{GUID_CONSOLE_DISPLAY_STATE, sizeof(DWORD), 0},
      on{GUID_CONSOLE_DISPLAY_STATE, sizeof(DWORD), 1};
  const std::vector<EXECUTION_STATE> states{0x80000003, 0x80000000, 0x80000003, 0x80000000, 0x80000003};
  for (int back = 0; back < 3; ++back) {
    SCOPED_TRACE(back);
    AppScope app("[General]\r\nSleepPrevent=1\r\nKeepActive=1\r\n");
    StateSeams seams;
    seams->getTickCount = [] { return DWORD{0x7FFFFFFF}; };  // idle for weeks
    seams->getLastInputInfo = [](PLASTINPUTINFO info) { return info->dwTime = lastInput, TRUE; };
    seams->sendInput = [](UINT count, LPINPUT, int) { return nudges.emplace_back(), count; };
    const HWND window = app.MakeMainWindow();
    const auto send = [&](UINT message, WPARAM w, const void* l = nullptr) {
      ::SendMessageW(window, message, w, LPARAM(l));
    };
    nudges.clear(), lastInput = 1, LoadConfig(), ReapplyPowerState();
    App().keepActiveUntil = {1, false};  // an end long passed: it comes at the wake
    send(WM_POWERBROADCAST, PBT_APMSUSPEND), send(WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC);
    EXPECT_TRUE(App().settings.SleepPrevent && !App().settings.KeepActive);
    CarryOutCommandLineCall(*ParseCommandLine({L"--keep-active", L"on"}));
    send(WM_TIMECHANGE, 0), send(WM_TIMER, TIMER_KEEPACTIVE), send(WM_TIMER, TIMER_USER_RETURN),
        send(WM_POWERBROADCAST, PBT_POWERSETTINGCHANGE, &off);
    EXPECT_EQ(executionStates, std::vector<EXECUTION_STATE>(states.begin(), states.begin() + 2));
    EXPECT_TRUE(App().settings.KeepActive && app.ConfigText().find("KeepActive=1") != std::string::npos &&
                !App().keepActiveTimerOn);
    CarryOutCommandLineCall(*ParseCommandLine({L"--prevent-sleep", L"on", L"--until", L"05:00"}));
    for (std::size_t round = 0; round < 2; ++round) {  // awake at once; the next wake rests until the user is back
      if (round == 1) send(WM_POWERBROADCAST, PBT_APMSUSPEND), send(WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC);
      EXPECT_EQ(executionStates.size(), 3 + round);
      back == 0   ? send(WM_POWERBROADCAST, PBT_APMRESUMESUSPEND)
      : back == 1 ? (++lastInput, send(WM_TIMER, TIMER_USER_RETURN))
                  : send(WM_POWERBROADCAST, PBT_POWERSETTINGCHANGE, &on);
      EXPECT_EQ(executionStates, std::vector<EXECUTION_STATE>(states.begin(), states.begin() + 3 + 2 * round));
      EXPECT_TRUE(App().keepActiveTimerOn && ::KillTimer(window, TIMER_KEEPACTIVE) &&
                  !::KillTimer(window, TIMER_USER_RETURN));
    }
    EXPECT_TRUE(nudges.empty());
  }
}

// Requests: s switch on, e pending end, c a call during the unattended wake, w a program running. Globals: b on
// battery, n no battery, m only on mains power, l battery floor latched, k locked or disconnected, p sleep prevention
// pauses while locked, u unattended wake. Each mode's status line tells its state.
bool Has(std::wstring_view flags, wchar_t flag) { return flags.find(flag) != flags.npos; }
ModeRequests Requests(std::wstring_view f) {
  return {Has(f, L's'), Has(f, L'e') ? ToLocalTime(SYSTEMTIME{2026, 12, 0, 6, 16, 30}) : 0, Has(f, L'c'),
          Has(f, L'w') ? L"OBS64" : L""};
}

TEST(WantedState, HoldersPausesAndTheirOrder) {
  const wchar_t *until = L"on until 2026-12-06 16:30", *obs = L"on while OBS64", *battery = L"paused on-battery",
                *low = L"paused battery-low";
  const struct {
    const wchar_t *sleep, *keep, *global, *sleepLine, *keepLine;
  } cases[] = {{L"", L"", L"", L"off", L"off"},
               {L"", L"", L"bmlkpu", L"off", L"off"},
               {L"s", L"s", L"", L"on", L"on"},
               {L"se", L"e", L"", until, until},
               {L"w", L"sw", L"", obs, L"on"},
               {L"sew", L"w", L"b", until, obs},
               {L"s", L"w", L"bm", battery, battery},
               {L"s", L"s", L"m", L"on", L"on"},
               {L"s", L"w", L"bl", low, low},
               {L"s", L"s", L"l", L"on", L"on"},
               {L"s", L"s", L"bln", L"on", L"on"},
               {L"s", L"s", L"bmlkpu", battery, battery},
               {L"s", L"s", L"blkpu", low, low},
               {L"s", L"w", L"k", L"on", L"paused locked"},
               {L"w", L"s", L"kp", L"paused locked", L"paused locked"},
               {L"s", L"", L"kpu", L"paused locked", L"off"},
               {L"s", L"s", L"u", L"paused unattended", L"paused unattended"},
               {L"s", L"s", L"ku", L"paused unattended", L"paused locked"},
               {L"ce", L"c", L"u", until, L"off"},
               {L"sew", L"w", L"u", obs, L"paused unattended"},
               {L"w", L"", L"kpu", obs, L"off"},
               {L"sc", L"", L"kpu", L"on", L"off"},
               {L"c", L"c", L"", L"off", L"off"},
               {L"w", L"", L"bmu", battery, L"off"},
               {L"cw", L"", L"blu", low, L"off"}};
  for (const auto& c : cases) {
    const std::wstring_view g = c.global;
    const WantedState wanted =
        ComputeWantedState({Requests(c.sleep), Requests(c.keep), Has(g, L'b'), !Has(g, L'n'), Has(g, L'm'),
                            Has(g, L'l'), Has(g, L'k'), Has(g, L'p'), Has(g, L'u')});
    for (const auto& [word, mode, line] : {std::tuple(L"prevent-sleep", wanted.sleepPrevent, c.sleepLine),
                                           std::tuple(L"keep-active", wanted.keepActive, c.keepLine)}) {
      EXPECT_EQ(ModeStatusLine(word, mode), std::wstring(word) + L" " + line)
          << Narrow(std::wstring(c.sleep) + L"/" + c.keep + L"/" + c.global);
      EXPECT_EQ(mode.state, line[0] == L'p'   ? ModeState::Paused
                            : line[1] == L'f' ? ModeState::Off
                                              : ModeState::On)
          << Narrow(line);
    }
  }
}

TEST(WantedState, BatteryFloorLatchesUntilFiveMoreOrMains) {
  const struct {
    bool wasLow, onBattery, hasBattery;
    int percent;
    std::uint32_t floor;
    bool low;
  } cases[] = {
      {false, true, true, 19, 20, true},  {false, true, true, 20, 20, false}, {true, true, true, 24, 20, true},
      {true, true, true, 25, 20, false},  {true, false, true, 5, 20, false},  {true, true, false, 5, 20, false},
      {false, true, true, 0, 0, false},   {true, true, true, 99, 98, true},   {true, true, true, 100, 98, false},
      {false, true, true, 99, 100, true}, {true, true, true, 255, 20, true},  {false, true, true, -1, 20, false}};
  for (const auto& c : cases)
    EXPECT_EQ(NextBatteryLow(c.wasLow, c.onBattery, c.hasBattery, c.percent, c.floor), c.low)
        << c.percent << " " << c.floor;
}

// Records the power and session notices asked for (session: registered minus unregistered); Windows' answers chosen
// here.
std::vector<GUID> powerNotices;
int sessionNotices = 0, notices = 0;  // notices: the tray notices shown
std::vector<RunningProcess> runningNow;
struct ConditionSeams : StateSeams {
  ConditionSeams() {
    powerNotices.clear(), sessionNotices = 0, runningNow.clear();
    Seams().registerPowerSettingNotification = [](HANDLE, LPCGUID guid, DWORD) {
      return powerNotices.push_back(*guid), HPOWERNOTIFY(0x1234);
    };
    Seams().getSystemPowerStatus = [](LPSYSTEM_POWER_STATUS s) {
      return *s = {1, 8, 50, 0, 0, 0}, TRUE;
    };  // mains, charging, 50 %
    Seams().registerSessionNotification = [](HWND, DWORD) { return ++sessionNotices, TRUE; };
    Seams().unregisterSessionNotification = [](HWND) { return --sessionNotices, TRUE; };
    Seams().sessionLockedOrDisconnected = [] { return false; };
    Seams().listRunningProcesses = [] { return runningNow; };
  }
};
std::string ModesIn(const std::string& general, const std::string& conditions) {
  return "[General]\r\n" + general + "\r\n[Conditions]\r\n" + conditions + "\r\n";
}
const char* InForce() {
  return App().executionStateApplied ? (App().keepActiveTimerOn ? "SK" : "S") : (App().keepActiveTimerOn ? "K" : "");
}

// Each notice and the scan are held only while something needs them: none without a condition.
TEST(Conditions, NoticesAndScanOnlyWhileNeeded) {
  const struct {
    const char *general, *conditions;
    std::size_t power;
    int session;
    bool scan;
  } cases[] = {{"SleepPrevent=1", "", 0, 0, false},
               {"KeepActive=1", "", 0, 1, false},
               {"", "PauseSleepPreventWhileLocked=1", 0, 1, false},
               {"", "MinBatteryPercent=5", 2, 0, false},
               {"", "OnlyOnMainsPower=1", 2, 0, false},
               {"", "SleepPreventWhileRunning=absent", 0, 0, true}};
  for (const auto& c : cases) {
    AppScope app(ModesIn(c.general, c.conditions));
    ConditionSeams seams;
    const HWND window = (app.MakeMainWindow(), LoadConfig(), FollowPowerSettings(), App().mainWindow);
    EXPECT_TRUE(powerNotices.size() == c.power && sessionNotices == c.session &&
                ::KillTimer(window, TIMER_PROGRAM_SCAN) == c.scan)
        << c.conditions;
    SetKeepActive(false), StopConditionWatch();
    EXPECT_TRUE(sessionNotices == 0 && !App().powerSourceNotification && !App().batteryNotification) << c.general;
  }
}

// Refused at log-on (Terminal Services not running yet), the session's notices are asked for again on a timer.
TEST(Conditions, SessionNoticesAskedAgainWhenRefusedAtLogOn) {
  AppScope app(ModesIn("KeepActive=1", ""));
  ConditionSeams seams;
  Seams().registerSessionNotification = [](HWND, DWORD) { return ::SetLastError(RPC_S_INVALID_BINDING), FALSE; };
  const HWND window = (app.MakeMainWindow(), LoadConfig(), FollowPowerSettings(), App().mainWindow);
  Seams().registerSessionNotification = [](HWND, DWORD) { return ++sessionNotices, TRUE; };
  ASSERT_TRUE(!App().sessionNotificationRegistered && ::KillTimer(window, TIMER_SESSION_NOTICE));
  ::SendMessageW(window, WM_TIMER, TIMER_SESSION_NOTICE, 0);
  EXPECT_TRUE(sessionNotices == 1 && App().sessionNotificationRegistered && !::KillTimer(window, TIMER_SESSION_NOTICE));
}

// Windows tells of the power source (a UPS counts as battery), the charge and the session; the modes follow at once.
TEST(Conditions, PowerSourceBatteryFloorAndLockPauseTheModes) {
  struct Setting {
    GUID guid;
    DWORD length, value;
  };
  const GUID source = GUID_ACDC_POWER_SOURCE, charge = GUID_BATTERY_PERCENTAGE_REMAINING, none{};
  const struct {
    const char* conditions;
    std::vector<std::tuple<GUID, DWORD, const char*>> steps;
  } cases[] = {{"OnlyOnMainsPower=1",
                {{source, 1, ""}, {source, 0, "SK"}, {source, 2, ""}, {charge, 80, ""}, {source, 0, "SK"}}},
               {"MinBatteryPercent=20",
                {{charge, 10, "SK"},
                 {source, 1, ""},
                 {charge, 24, ""},
                 {charge, 25, "SK"},
                 {charge, 19, ""},
                 {source, 0, "SK"}}},
               {"",
                {{none, WTS_SESSION_LOCK, "S"},
                 {none, WTS_SESSION_UNLOCK, "SK"},
                 {none, WTS_REMOTE_DISCONNECT, "S"},
                 {none, WTS_CONSOLE_CONNECT, "SK"}}},
               {"PauseSleepPreventWhileLocked=1", {{none, WTS_SESSION_LOCK, ""}, {none, WTS_SESSION_UNLOCK, "SK"}}}};
  for (const auto& c : cases) {
    AppScope app(ModesIn("SleepPrevent=1\r\nKeepActive=1", c.conditions));
    ConditionSeams seams;
    const HWND window = (app.MakeMainWindow(), LoadConfig(), FollowPowerSettings(), App().mainWindow);
    for (const auto& [guid, value, inForce] : c.steps) {
      const Setting setting{guid, sizeof(DWORD), value};
      IsEqualGUID(guid, none) ? ::SendMessageW(window, WM_WTSSESSION_CHANGE, value, 0)
                              : ::SendMessageW(window, WM_POWERBROADCAST, PBT_POWERSETTINGCHANGE, LPARAM(&setting));
      EXPECT_STREQ(InForce(), inForce) << c.conditions << " " << value;
    }
  }
}

// A listed program (any case, with or without .exe) holds its mode from the scan; the end of a real one is seen through
// the wait.
TEST(Conditions, ListedProgramHoldsItsModeUntilItsEndIsSeen) {
  AppScope app(ModesIn("", "SleepPreventWhileRunning=PING.exe\r\nKeepActiveWhileRunning=nothing, Ping"));
  ConditionSeams seams;
  const HWND window = app.MakeMainWindow();
  runningNow = {{0xFFFFFFF0u, L"ping.EXE"}};  // cannot be opened: scanned again
  LoadConfig(), FollowPowerSettings();
  EXPECT_TRUE(App().sleepPreventProgram == L"PING.exe" && App().keepActiveProgram == L"Ping" &&
              ::KillTimer(window, TIMER_PROGRAM_SCAN));
  EXPECT_STREQ(InForce(), "SK");
  std::wstring command = L"ping.exe -n 60 127.0.0.1";
  STARTUPINFOW startup{sizeof startup};
  PROCESS_INFORMATION ping{};
  ASSERT_TRUE(::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                               &startup, &ping));
  const KernelHandle process(ping.hProcess), thread(ping.hThread);
  Seams().listRunningProcesses = ListRunningProcesses, runningNow.clear(), RescanPrograms();
  EXPECT_TRUE(App().watchedProcesses.size() == 1 && App().keepActiveProgram == L"Ping")
      << App().watchedProcesses.size();
  ::TerminateProcess(process.Get(), 0);
  for (int i = 0; i < 100 && !App().sleepPreventProgram.empty(); ++i) {
    for (MSG m; ::PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE);) ::DispatchMessageW(&m);
    WaitForMessageOrProgramEnd(100);
  }
  EXPECT_TRUE(App().sleepPreventProgram.empty() && App().watchedProcesses.empty() &&
              ::KillTimer(window, TIMER_PROGRAM_SCAN) && !*InForce());
  Seams().listRunningProcesses = [] { return runningNow; }, runningNow = {{ping.dwProcessId, L"ping.exe"}},
  RescanPrograms();  // ended, listed while our handle holds it
  EXPECT_TRUE(App().sleepPreventProgram.empty() && App().watchedProcesses.empty());
}

// A timed end that fires while the wake is unattended is told of once, at the user's return; never while a program
// holds the mode.
TEST(Conditions, EndOfAnUnattendedWakeToldOnceWhenTheUserIsBack) {
  for (const bool held : {false, true}) {
    AppScope app(ModesIn("KeepActive=1", "KeepActiveWhileRunning=backup"));
    ConditionSeams seams;
    seams->shellNotifyIcon = [](DWORD, PNOTIFYICONDATAW data) {
      return notices += (data->uFlags & NIF_INFO) != 0, TRUE;
    };
    runningNow = {{1, held ? L"backup.exe" : L"other.exe"}}, notices = 0;
    const HWND window =
        (app.MakeMainWindow(), App().trayIconAdded = true, LoadConfig(), FollowPowerSettings(), App().mainWindow);
    App().keepActiveUntil = {1, false};  // long passed: it ends at the wake
    const auto send = [&](WPARAM event) { ::SendMessageW(window, WM_POWERBROADCAST, event, 0); };
    send(PBT_APMSUSPEND), send(PBT_APMRESUMEAUTOMATIC);
    EXPECT_TRUE(notices == 0 && !App().settings.KeepActive);
    send(PBT_APMRESUMESUSPEND), send(PBT_APMRESUMESUSPEND);
    EXPECT_EQ(notices, held ? 0 : 1);
  }
}
