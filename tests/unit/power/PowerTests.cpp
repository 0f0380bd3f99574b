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
DWORD tick = 0, lastInput = 0;
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
struct InputSeams : StateSeams {  // the tick `tick`, the last input at `lastInput`; inputs recorded, not sent
  InputSeams() {
    nudges.clear();
    Seams().getTickCount = [] { return tick; };
    Seams().getLastInputInfo = LastInput;
    Seams().sendInput = Record;
  }
};

// Nudges only after the idle threshold (also across the tick's wrap), and only while its timer is on.
TEST(KeepActive, NudgesOnlyAfterTheIdleThresholdWithTheChosenInput) {
  AppScope app;
  InputSeams seams;
  tick = 5000;
  App().idleThresholdMs = 1000;
  const Sent mouse{{INPUT_MOUSE, 1, MOUSEEVENTF_MOVE}, {INPUT_MOUSE, -1, MOUSEEVENTF_MOVE}};  // a pixel and back
  const Sent f15{{INPUT_KEYBOARD, VK_F15, 0}, {INPUT_KEYBOARD, VK_F15, KEYEVENTF_KEYUP}};
  using enum NudgeKind;
  // clang-format off
  const std::tuple<DWORD, NudgeKind, bool, Sent> checks[] = {  // the last input, the nudge, its timer on: sent
      {4001, Mouse, true, {}}, {4000, Mouse, true, mouse}, {4000, F15, true, f15}, {0xFFFFFF00u, Mouse, true, mouse},
      {0, Mouse, false, {}}};
  // clang-format on
  for (const auto& [last, kind, on, sent] : checks) {
    nudges.clear();
    lastInput = last;
    App().nudgeKind = kind;
    App().keepActiveTimerOn = on;
    OnKeepActiveTimer();
    EXPECT_EQ(nudges, sent) << last;
  }
}

// Requests: s switch on, e pending end, c a call during the unattended wake, w a program running. Globals: b on
// battery, n no battery, m only on mains power, l battery floor latched, k locked or disconnected, p sleep prevention
// pauses while locked, u unattended wake. An unattended wake pauses sleep prevention held by the switch alone.
bool Has(std::string_view flags, char flag) { return flags.find(flag) != flags.npos; }
ModeRequests Requests(std::string_view f) {
  return {Has(f, 's'), Has(f, 'e') ? ToLocalTime(SYSTEMTIME{2026, 12, 0, 6, 16, 30}) : 0, Has(f, 'c'),
          Has(f, 'w') ? L"OBS64" : L""};
}
TEST(WantedState, AModeHeldIsPausedByItsFirstReasonOrOnAndItsStatusLineTellsWhich) {
  const char *until = "on until 2026-12-06 16:30", *obs = "on while OBS64", *battery = "paused on-battery",
             *low = "paused battery-low", *locked = "paused locked", *unattended = "paused unattended";
  // clang-format off
  const std::array<const char*, 5> cases[] = {  // sleep, keep, globals; the two status lines
      {"", "", "", "off", "off"}, {"", "", "bmlkpu", "off", "off"}, {"s", "s", "", "on", "on"},
      {"se", "e", "", until, until}, {"w", "sw", "", obs, "on"}, {"c", "c", "", "off", "off"},
      {"sew", "w", "b", until, obs}, {"s", "w", "bm", battery, battery}, {"s", "s", "m", "on", "on"},
      {"s", "w", "bl", low, low}, {"s", "s", "l", "on", "on"}, {"s", "s", "bln", "on", "on"},
      {"s", "s", "bmlkpu", battery, battery}, {"s", "s", "blkpu", low, low}, {"s", "w", "k", "on", locked},
      {"w", "s", "kp", locked, locked}, {"s", "", "kpu", locked, "off"}, {"s", "s", "u", unattended, unattended},
      {"s", "s", "ku", unattended, locked}, {"ce", "c", "u", until, "off"}, {"sew", "w", "u", obs, unattended},
      {"w", "", "kpu", obs, "off"}, {"sc", "", "kpu", "on", "off"}, {"w", "", "bmu", battery, "off"},
      {"cw", "", "blu", low, "off"}};
  // clang-format on
  for (const auto& [sleep, keep, g, sleepLine, keepLine] : cases) {
    const WantedState wanted = ComputeWantedState({Requests(sleep), Requests(keep), Has(g, 'b'), !Has(g, 'n'),
                                                   Has(g, 'm'), Has(g, 'l'), Has(g, 'k'), Has(g, 'p'), Has(g, 'u')});
    for (const auto& [word, mode, line] : {std::tuple(L"prevent-sleep", wanted.sleepPrevent, sleepLine),
                                           std::tuple(L"keep-active", wanted.keepActive, keepLine)}) {
      EXPECT_EQ(Narrow(ModeStatusLine(word, mode)), Narrow(word) + " " + line) << sleep << "/" << keep << "/" << g;
      EXPECT_EQ(mode.state, line[0] == 'p' ? ModeState::Paused : line[1] == 'f' ? ModeState::Off : ModeState::On);
    }
  }
}

struct PowerSetting {  // a POWERBROADCAST_SETTING with its data
  GUID guid;
  DWORD length, value;
};

// Counts the session notices asked for (registered minus unregistered) and the tray notices shown; Windows' answers
// chosen here: mains, charging, 50 %, an unlocked session, `runningNow`.
int sessionNotices = 0, notices = 0;
std::vector<RunningProcess> runningNow;
BOOL WINAPI RegisterSession(HWND, DWORD) { return ++sessionNotices > 0; }
BOOL WINAPI CountNotices(DWORD, PNOTIFYICONDATAW data) {
  notices += (data->uFlags & NIF_INFO) != 0;
  return TRUE;
}
const GUID kSource = GUID_ACDC_POWER_SOURCE, kCharge = GUID_BATTERY_PERCENTAGE_REMAINING, kSession{};
struct Conditions : testing::Test {
  Conditions() {
    sessionNotices = notices = 0;
    runningNow.clear();
    seams->registerPowerSettingNotification = [](HANDLE, LPCGUID, DWORD) { return HPOWERNOTIFY(0x1234); };
    seams->getSystemPowerStatus = [](LPSYSTEM_POWER_STATUS s) {
      *s = {1, 8, 50, 0, 0, 0};
      return TRUE;
    };
    seams->registerSessionNotification = RegisterSession;
    seams->unregisterSessionNotification = [](HWND) -> BOOL { return --sessionNotices >= 0; };
    seams->sessionLockedOrDisconnected = [] { return false; };
    seams->listRunningProcesses = [] { return runningNow; };
  }
  void TearDown() override {  // ends a child that an assertion which failed left running
    ::TerminateProcess(child.Get(), 0);
    ::WaitForSingleObject(child.Get(), 10000);
  }
  HWND Follow(const std::string& general, const std::string& conditions) {  // the main window
    WriteBytes(App().configPath, ToBytes("[General]\r\n" + general + "\r\n[Conditions]\r\n" + conditions + "\r\n"));
    if (!App().mainWindow) app.MakeMainWindow();
    LoadConfig();
    FollowPowerSettings();
    return App().mainWindow;
  }
  static const char* InForce() {  // S: sleep prevention, K: keep active
    return App().executionStateApplied ? (App().keepActiveTimerOn ? "SK" : "S") : (App().keepActiveTimerOn ? "K" : "");
  }
  AppScope app;
  StateSeams seams;
  KernelHandle child;
};

// A wake nobody attends (a timer, maintenance), both modes on, idle for weeks, keep active's end passed: the modes
// rest, nothing nudged, until the user is back (a resume for the user, an input, the display on), told of the end once.
// A call for sleep prevention holds at once, for that wake only; one for keep active is saved, yet rests.
TEST_F(Conditions, AnUnattendedWakeRestsTheModesUntilTheUserIsBackSaveACallForSleepPrevention) {
  InputSeams input;
  tick = 0x7FFFFFFF;
  lastInput = 1;
  seams->shellNotifyIcon = CountNotices;
  App().trayIconAdded = true;
  const HWND window = Follow("SleepPrevent=1\r\nKeepActive=1", "");
  App().keepActiveUntil = {1, false};
  const UINT kWake = WM_APP + 99, kCall = 0;  // a suspend, then a resume nobody attends; a command-line call
  // Before each step the last input and the display's state; after it the modes: S sleep prevention held, K keep
  // active's timer on, k its switch on yet resting; and ! for each notice shown.
  // clang-format off
  struct Step { UINT message; WPARAM w; std::vector<std::wstring> call; DWORD input, display; const char* modes; };
  const Step steps[] = {
      {kWake, 0, {}, 1, 0, ""}, {WM_TIMECHANGE, 0, {}, 1, 0, ""}, {WM_TIMER, TIMER_KEEPACTIVE, {}, 1, 0, ""},
      {WM_TIMER, TIMER_USER_RETURN, {}, 1, 0, ""}, {WM_POWERBROADCAST, PBT_POWERSETTINGCHANGE, {}, 1, 0, ""},
      {WM_POWERBROADCAST, PBT_APMRESUMESUSPEND, {}, 1, 0, "S!"}, {kWake, 0, {}, 1, 0, "!"},
      {kCall, 0, {L"--keep-active", L"on"}, 1, 0, "k!"},
      {kCall, 0, {L"--prevent-sleep", L"on", L"--until", L"05:00"}, 1, 0, "Sk!"}, {kWake, 0, {}, 1, 0, "k!"},
      {WM_TIMER, TIMER_USER_RETURN, {}, 2, 0, "SK!"}, {kWake, 0, {}, 2, 0, "k!"},
      {WM_POWERBROADCAST, PBT_POWERSETTINGCHANGE, {}, 2, 1, "SK!"}};
  // clang-format on
  for (const auto& s : steps) {
    lastInput = s.input;
    const PowerSetting display{GUID_CONSOLE_DISPLAY_STATE, sizeof(DWORD), s.display};
    if (s.message == kCall) {
      CarryOutCommandLineCall(*ParseCommandLine(s.call));
    } else if (s.message == kWake) {
      ::SendMessageW(window, WM_POWERBROADCAST, PBT_APMSUSPEND, 0);
      ::SendMessageW(window, WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0);
    } else {
      ::SendMessageW(window, s.message, s.w, LPARAM(&display));
    }
    const std::string keep = App().keepActiveTimerOn ? "K" : App().settings.KeepActive ? "k" : "";
    EXPECT_EQ((executionStates.back() == 0x80000003 ? "S" : "") + keep + std::string(notices, '!'), s.modes)
        << "step " << &s - steps;
  }
  EXPECT_TRUE(app.ConfigText().find("KeepActive=1") != std::string::npos && nudges.empty() &&
              !::KillTimer(window, TIMER_USER_RETURN));
}

// Refused at log-on (Terminal Services not running yet).
TEST_F(Conditions, SessionNoticesRefusedAreAskedForAgainOnATimer) {
  seams->registerSessionNotification = [](HWND, DWORD) -> BOOL {
    ::SetLastError(RPC_S_INVALID_BINDING);
    return FALSE;
  };
  const HWND window = Follow("KeepActive=1", "");
  seams->registerSessionNotification = RegisterSession;
  ASSERT_TRUE(!App().sessionNotificationRegistered && ::KillTimer(window, TIMER_SESSION_NOTICE));
  ::SendMessageW(window, WM_TIMER, TIMER_SESSION_NOTICE, 0);
  EXPECT_TRUE(sessionNotices == 1 && App().sessionNotificationRegistered && !::KillTimer(window, TIMER_SESSION_NOTICE));
}

// Each step: a power setting changes (or, from kSession, the session); then the modes in force. Both modes pause on
// battery or a UPS with OnlyOnMainsPower, below the floor on battery until five more; a locked or disconnected session
// pauses keep active, and sleep prevention too when asked.
TEST_F(Conditions, PausesFollowThePowerSourceTheChargeAndTheSession) {
  using Steps = std::vector<std::tuple<GUID, DWORD, const char*>>;
  // clang-format off
  const std::pair<const char*, Steps> cases[] = {
      {"OnlyOnMainsPower=1",
       {{kSource, 1, ""}, {kSource, 0, "SK"}, {kSource, 2, ""}, {kCharge, 80, ""}, {kSource, 0, "SK"}}},
      {"MinBatteryPercent=20",
       {{kCharge, 10, "SK"}, {kSource, 1, ""}, {kCharge, 24, ""}, {kCharge, 25, "SK"}, {kCharge, 19, ""},
        {kSource, 0, "SK"}}},
      {"", {{kSession, WTS_SESSION_LOCK, "S"}, {kSession, WTS_SESSION_UNLOCK, "SK"},
            {kSession, WTS_REMOTE_DISCONNECT, "S"}, {kSession, WTS_CONSOLE_CONNECT, "SK"}}},
      {"PauseSleepPreventWhileLocked=1", {{kSession, WTS_SESSION_LOCK, ""}, {kSession, WTS_SESSION_UNLOCK, "SK"}}}};
  // clang-format on
  for (const auto& [conditions, steps] : cases) {
    Follow("SleepPrevent=1\r\nKeepActive=1", conditions);
    for (const auto& [guid, value, inForce] : steps) {
      const PowerSetting setting{guid, sizeof(DWORD), value};
      if (IsEqualGUID(guid, kSession)) ::SendMessageW(App().mainWindow, WM_WTSSESSION_CHANGE, value, 0);
      else ::SendMessageW(App().mainWindow, WM_POWERBROADCAST, PBT_POWERSETTINGCHANGE, LPARAM(&setting));
      EXPECT_STREQ(InForce(), inForce) << conditions << " " << value;
    }
  }
}

// One that cannot be opened holds its mode and is scanned for again; one ended, though still listed while a handle
// (ours) holds it, holds nothing and is scanned for again. (A start and an end seen through the wait: end to end.)
TEST_F(Conditions, AListedProgramThatCannotBeWaitedOnIsScannedForAgain) {
  runningNow = {{0xFFFFFFF0u, L"PING.EXE"}};
  const HWND window = Follow("", "SleepPreventWhileRunning=ping");
  EXPECT_TRUE(App().sleepPreventProgram == L"ping" && ::KillTimer(window, TIMER_PROGRAM_SCAN) && *InForce() == 'S');
  std::wstring command = L"ping.exe -n 60 127.0.0.1";
  STARTUPINFOW startup{sizeof startup};
  PROCESS_INFORMATION ping{};
  // Nothing of ours handed on: no inherited handles, no standard ones (none with CREATE_NO_WINDOW).
  ASSERT_TRUE(::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                               &startup, &ping));
  child.Reset(ping.hProcess);
  const KernelHandle thread(ping.hThread);
  ASSERT_TRUE(::TerminateProcess(child.Get(), 0) && ::WaitForSingleObject(child.Get(), 10000) == WAIT_OBJECT_0);
  runningNow = {{ping.dwProcessId, L"ping.exe"}};
  RescanPrograms();
  EXPECT_TRUE(App().sleepPreventProgram.empty() && App().watchedProcesses.empty() &&
              ::KillTimer(window, TIMER_PROGRAM_SCAN) && !*InForce());
}
