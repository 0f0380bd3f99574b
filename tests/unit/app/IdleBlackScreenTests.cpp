// The black screen after idle time: the user's idle clock across the keep-active nudges, what holds it
// back, and the first input that closes it.
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "app/CommandLineCalls.h"
#include "app/Commands.h"
#include "app/Conditions.h"
#include "app/IdleBlackScreen.h"
#include "base/Messages.h"
#include "config/ConfigLoad.h"
#include "power/Power.h"

namespace {
DWORD tick = 0, lastInput = 0;
QUERY_USER_NOTIFICATION_STATE presence = QUNS_ACCEPTS_NOTIFICATIONS;
HRESULT presenceResult = S_OK;
std::vector<ULONG_PTR> marks;  // dwExtraInfo of each record the nudges sent

// BlackScreenAfterIdleMin set; the clock and the last input as the test sets them, a nudge stamped as the
// system stamps it, a little after it was sent.
struct IdleScope : OverlayScope {
  explicit IdleScope(const std::string& minutes = "1")
      : OverlayScope("FadeInDurationMs=0\nClockDisplay=None\nBlackScreenAfterIdleMin=" + minutes + "\n") {
    tick = lastInput = 5000000, presence = QUNS_ACCEPTS_NOTIFICATIONS, presenceResult = S_OK, marks.clear();
    seams->getTickCount = [] { return tick; };
    seams->getLastInputInfo = [](PLASTINPUTINFO info) { return info->dwTime = lastInput, TRUE; };
    seams->queryUserNotificationState = [](QUERY_USER_NOTIFICATION_STATE* s) { return *s = presence, presenceResult; };
    seams->sendInput = [](UINT count, LPINPUT in, int) {
      for (UINT i = 0; i < count; ++i)
        marks.push_back(in[i].type == INPUT_MOUSE ? in[i].mi.dwExtraInfo : in[i].ki.dwExtraInfo);
      return lastInput = tick + 15, count;
    };
    ReadConfigSettings();
  }
  ScopedSeams seams;
};

bool IdleOpen() { return App().overlayTarget == OverlayTarget::Idle && !App().overlayWindows.empty(); }

// Idle for `idleMs` since an input the black screen has not opened for yet, the cursor at (300, 300); then the check.
void CheckAfter(DWORD idleMs) {
  ::SetCursorPos(300, 300);
  App().idleBlackScreenSpent = false, App().userInputTick = lastInput = tick - idleMs;
  CheckIdleTime();
}
}  // namespace

// A later input is the user's unless the nudge's (stamped within kNudgeInputMs of its sending); an earlier one (from
// before the user's return) is not; across the tick's wrap too.
TEST(IdleClock, NeitherTheNudgeNorAnInputFromBeforeTheReturnIsTheUsers) {
  const std::uint32_t w = 0xFFFFFF00u;  // before the wrap
  const struct { std::uint32_t last, user, nudge, user2; } cases[] = {{5000, 1000, 0, 5000}, {5000, 1000, 3999, 5000},
      {5000, 1000, 4000, 1000}, {900, 1000, 0, 1000}, {5, w, w - 0x1000, 5}, {5, w, w + 0xF0, w}};
  for (const auto& c : cases) EXPECT_EQ(UserInputTick(c.last, c.user, c.nudge), c.user2) << c.last << " " << c.nudge;
}

// Keep active nudging after a minute (each record marked), the black screen still comes two minutes after the
// user's input; after the user's return from sleep it counts from the return.
TEST(IdleClock, TheBlackScreenComesOnTimeWhileKeepActiveNudgesAndCountsFromTheReturn) {
  for (const NudgeKind kind : {NudgeKind::Mouse, NudgeKind::F15}) {
    IdleScope scope("2");
    App().keepActiveTimerOn = true, App().idleThresholdMs = 60000, App().nudgeKind = kind;
    int openedAt = 0;
    for (int s = 10; s <= 180 && !openedAt; s += 10) {
      tick += 10000;
      OnKeepActiveTimer(), CheckIdleTime();
      openedAt = IdleOpen() ? s : 0;
    }
    EXPECT_EQ(openedAt, 120) << int(kind);
    EXPECT_EQ(marks, std::vector<ULONG_PTR>(2, kNudgeInputMark));
    CloseOverlays(), App().idleBlackScreenSpent = false, App().keepActiveTimerOn = false;
    OnPowerBroadcast(PBT_APMRESUMESUSPEND, 0);  // the input before it is 2 minutes old, and not the user's last
    CheckIdleTime();
    EXPECT_FALSE(IdleOpen());
    tick += 120000, CheckIdleTime();
    EXPECT_TRUE(IdleOpen());
  }
}

// Due after the minutes set, and only then; held back by another black screen, an unattended wake, a lock (known
// from the session's notices, held while the key is set) and what Windows tells of the user; once per input.
TEST(IdleBlackScreen, OpensWhenDueUnlessSomethingHoldsItBack) {
  IdleScope scope;
  const struct { const char* name; DWORD idle; void (*set)(); bool opens; } cases[] = {
      {"a moment short", 59999, nullptr, false}, {"due", 60000, nullptr, true},
      {"never", 1u << 30, [] { App().settings.BlackScreenAfterIdleMin = 0; }, false},
      {"another black screen", 60000, [] { ShowOverlays(OverlayTarget::All); }, false},
      {"unattended wake", 60000, [] { App().wakeUnattended = true; }, false},
      {"no one there", 60000, [] { presence = QUNS_NOT_PRESENT; }, false},
      {"full screen", 60000, [] { presence = QUNS_BUSY; }, false},
      {"Direct3D full screen", 60000, [] { presence = QUNS_RUNNING_D3D_FULL_SCREEN; }, false},
      {"presentation", 60000, [] { presence = QUNS_PRESENTATION_MODE; }, false},
      {"a Store app", 60000, [] { presence = QUNS_APP; }, false},
      {"quiet time", 60000, [] { presence = QUNS_QUIET_TIME; }, true},
      {"presence unknown", 60000, [] { presenceResult = E_FAIL, presence = QUNS_BUSY; }, true}};
  for (const auto& c : cases) {
    CloseOverlays(), App().settings.BlackScreenAfterIdleMin = 1, App().wakeUnattended = false;
    presence = QUNS_ACCEPTS_NOTIFICATIONS, presenceResult = S_OK;
    if (c.set) c.set();
    CheckAfter(c.idle);
    EXPECT_EQ(IdleOpen(), c.opens) << c.name;
  }
  CarryOutCommandLineCall(*ParseCommandLine({L"--black-screen", L"off"}));
  tick += 600000, CheckIdleTime();
  EXPECT_FALSE(IdleOpen()) << "again without the user's input";
  lastInput = tick, CheckIdleTime();
  EXPECT_FALSE(IdleOpen()) << "counted from the new input";
  tick += 60000, CheckIdleTime();
  EXPECT_TRUE(IdleOpen());
  const HWND window = (CloseOverlays(), scope.MakeMainWindow());
  scope.seams->registerSessionNotification = [](HWND, DWORD) { return TRUE; };
  scope.seams->sessionLockedOrDisconnected = [] { return true; };
  ApplyWantedState();  // the key alone holds the notices, and runs the check's timer
  CheckAfter(60000);
  EXPECT_TRUE(App().sessionLocked && !IdleOpen() && ::KillTimer(window, TIMER_IDLE_BLACK_SCREEN));
  ::SendMessageW(window, WM_WTSSESSION_CHANGE, WTS_SESSION_UNLOCK, 0);
  CheckAfter(60000);
  EXPECT_TRUE(IdleOpen());
}

// The user's first input closes it and does nothing else: a key (Shift, Ctrl, Alt and Windows on release, so that the
// hotkey reaches its toggle), a button released, the wheel, the cursor 4 px from where it was when it opened (also
// once hidden); not 2 or 3 px, not the nudge's F15 (in the window, or in the hook held where Windows refused the
// keyboard). The hotkey's toggle and --black-screen off close it, a black screen asked for replaces it.
TEST(IdleBlackScreen, TheUsersFirstInputClosesItNotTheNudge) {
  IdleScope scope;
  struct Step { UINT message; WPARAM wParam = 0; int dx = 0, dy = 0; };
  const struct { const char* name; std::vector<Step> steps; bool closes; } inWindow[] = {
      {"2 px, then 3 px down", {{WM_MOUSEMOVE, 0, 2}, {WM_MOUSEMOVE, 0, 0, 3}}, false},
      {"4 px", {{WM_MOUSEMOVE, 0, 0, -4}}, true},
      {"hidden 2 px off, 2, 4 px", {{WM_TIMER, TIMER_OVERLAY_CURSOR, 2}, {WM_MOUSEMOVE, 0, 2}, {WM_MOUSEMOVE, 0, 4}},
       true},
      {"a key", {{WM_KEYDOWN, 'A'}}, true}, {"Ctrl pressed", {{WM_KEYDOWN, VK_CONTROL}}, false},
      {"Alt pressed and released", {{WM_SYSKEYDOWN, VK_MENU}, {WM_SYSKEYUP, VK_MENU}}, true},
      {"a left press", {{WM_LBUTTONDOWN}}, false}, {"its release", {{WM_LBUTTONUP}}, true},
      {"right release", {{WM_RBUTTONUP}}, true}, {"wheel", {{WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA)}}, true}};
  for (const auto& c : inWindow) {
    CheckAfter(60000);
    ASSERT_TRUE(IdleOpen());
    const HWND overlay = App().overlayWindows.at(0).window.Get();
    for (const Step& s : c.steps)
      ::SetCursorPos(300 + s.dx, 300 + s.dy), ::SendMessageW(overlay, s.message, s.wParam, 0);
    PumpMessages(30);
    EXPECT_EQ(IdleOpen(), !c.closes) << c.name;
  }
  const struct { const char* name; WPARAM message; KBDLLHOOKSTRUCT key; bool taken, closes; } inHook[] = {
      {"the nudge's F15", WM_KEYDOWN, {VK_F15, 0, 0, 0, kNudgeInputMark}, false, false},
      {"a key", WM_KEYDOWN, {'A'}, true, true}, {"Ctrl pressed", WM_KEYDOWN, {VK_LCONTROL}, false, false},
      {"Ctrl released", WM_KEYUP, {VK_LCONTROL}, false, true}};
  for (const auto& k : inHook) {
    CheckAfter(60000);
    EXPECT_EQ(OverlayKeyboardHookProc(HC_ACTION, k.message, reinterpret_cast<LPARAM>(&k.key)) != 0, k.taken) << k.name;
    PumpMessages(30);
    EXPECT_EQ(IdleOpen(), !k.closes) << k.name;
  }
  CheckAfter(60000);  // real input: the nudge's F15 reaches the black screen and is passed over, a key is not
  scope.seams->sendInput = ::SendInput;
  EXPECT_TRUE(SendNudge(NudgeKind::F15) && (PumpMessages(100), IdleOpen()));
  std::vector<INPUT> key(2, INPUT{INPUT_KEYBOARD});
  key[0].ki.wVk = key[1].ki.wVk = 'A', key[1].ki.dwFlags = KEYEVENTF_KEYUP;
  EXPECT_TRUE(::SendInput(2, key.data(), sizeof(INPUT)) == 2 && (PumpMessages(100), !IdleOpen()));
  CheckAfter(60000);
  const std::wstring status = StatusLines(CurrentWantedState(), CurrentProgramStatus().blackScreen);
  EXPECT_NE(status.find(L"black-screen idle\r\n"), std::wstring::npos);
  RunHotkeyAction();
  EXPECT_TRUE(App().overlayWindows.empty() && !App().blackScreenActive);
  CheckAfter(60000), HandleCommand(IDM_BLACK_ALL);
  EXPECT_TRUE(App().overlayTarget == OverlayTarget::All && App().overlayWindows.size() == 2 && App().blackScreenActive);
}
