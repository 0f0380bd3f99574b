#include <gtest/gtest.h>

#include <span>

#include "TestSupport.h"
#include "app/Commands.h"
#include "app/Conditions.h"
#include "app/IdleBlackScreen.h"
#include "base/Messages.h"
#include "power/Power.h"

// Later input is the user's but the nudge's, earlier (before the return) is not.
TEST(IdleClock, NeitherTheNudgeNorAnInputFromBeforeTheReturnIsTheUsers) {
  const std::uint32_t w = 0xFFFFFF00u,
                      cases[][4] = {// last input, user's input, nudge, the user's
                                    {5000, 1000, 0, 5000}, {5000, 1000, 3999, 5000}, {5000, 1000, 4000, 1000},
                                    {900, 1000, 0, 1000},  {5, w, w - 0x1000, 5},    {5, w, w + 0xF0, w}};
  for (const auto& c : cases) EXPECT_EQ(UserInputTick(c[0], c[1], c[2]), c[3]) << c[0] << " " << c[2];
}

static DWORD tick, lastInput, presence;
static std::wstring sent;  // the keys sent: "E8d E8u " (down, up), "?" after one not marked as the program's

// The black screen after a minute idle; the clock, the last input and the user's presence as set here.
struct IdleBlackScreen : testing::Test {
  void SetUp() override {
    tick = lastInput = 5000000;
    presence = QUNS_ACCEPTS_NOTIFICATIONS;
    App().settings.BlackScreenAfterIdleMin = 1;
    seams_->getTickCount = [] { return tick; };
    seams_->queryUserNotificationState = [](auto* state) {
      *state = QUERY_USER_NOTIFICATION_STATE(presence);
      return S_OK;
    };
    seams_->getLastInputInfo = [](PLASTINPUTINFO info) {
      info->dwTime = lastInput;
      return TRUE;
    };
    seams_->sendInput = [](UINT n, LPINPUT inputs, int) {  // the nudge, stamped
      for (const INPUT& i : std::span(inputs, n))
        sent += HexText(i.ki.wVk) + (i.ki.dwFlags & KEYEVENTF_KEYUP ? L"u" : L"d") +
                (i.ki.dwExtraInfo == kNudgeInputMark ? L" " : L"? ");
      lastInput = tick + 15;
      return n;
    };
  }
  static bool IsOpen() { return App().overlayTarget == OverlayTarget::Idle && !App().overlayWindows.empty(); }
  static bool Opens() {  // idle a minute since an input it has not opened for, the cursor at (300, 300)
    ::SetCursorPos(300, 300);
    App().idleBlackScreenSpent = false;
    App().userInputTick = lastInput = tick - 60000;
    CheckIdleTime();
    return IsOpen();
  }
  OverlayScope scope_{"FadeInDurationMs=0\nClockDisplay=None\nBlackScreenAfterIdleMin=1"};
  ScopedSeams seams_;
};

TEST_F(IdleBlackScreen, OpensOnTimeWhileKeepActiveNudges) {
  for (const NudgeKind kind : {NudgeKind::Mouse, NudgeKind::F15}) {
    CloseOverlays();
    tick = App().userInputTick = lastInput = 5000000;
    App().idleBlackScreenSpent = false;
    App().settings.BlackScreenAfterIdleMin = 2;
    App().keepActiveTimerOn = true;
    App().idleThresholdMs = 60000;
    App().nudgeKind = kind;
    for (int s = 10; s <= 120; s += 10) {  // a nudge at 60 s
      tick += 10000;
      OnKeepActiveTimer();
      CheckIdleTime();
      EXPECT_EQ(IsOpen(), s == 120) << s;
    }
  }
}

TEST_F(IdleBlackScreen, TheIdleTimeCountsFromTheReturnFromSleep) {
  App().userInputTick = lastInput = tick - 600000;
  OnPowerBroadcast(PBT_APMRESUMESUSPEND, 0);
  CheckIdleTime();
  EXPECT_FALSE(IsOpen());
}

TEST_F(IdleBlackScreen, OpensOnceForEachInputOfTheUser) {
  ASSERT_TRUE(Opens());
  CloseOverlays();
  tick += 600000;
  CheckIdleTime();
  EXPECT_FALSE(IsOpen());
}

TEST_F(IdleBlackScreen, TheHotkeyClosesIt) {
  ASSERT_TRUE(Opens());
  RunHotkeyAction();
  EXPECT_TRUE(App().overlayWindows.empty());
}

// Signed in again, the user finds the desktop, not a black screen that takes the first click.
TEST_F(IdleBlackScreen, ALockClosesIt) {
  ASSERT_TRUE(Opens());
  App().sessionNotificationRegistered = true;
  OnSessionChange(WTS_SESSION_LOCK);
  EXPECT_TRUE(App().overlayWindows.empty());
}

// Its setting, an unattended wake, a black screen open, the user away or busy, the lock (known from the key
// alone: the session's notices come to no one here).
TEST_F(IdleBlackScreen, OpensOnlyWhenNothingHoldsItBack) {
  // clang-format off
  void (*const cases[])() = {[] {}, [] { presence = QUNS_QUIET_TIME; },  // the first two open
      [] { App().settings.BlackScreenAfterIdleMin = 0; }, [] { App().wakeUnattended = true; },
      [] { ShowOverlays(OverlayTarget::All); }, [] { presence = QUNS_NOT_PRESENT; }, [] { presence = QUNS_BUSY; },
      [] { presence = QUNS_RUNNING_D3D_FULL_SCREEN; }, [] { presence = QUNS_PRESENTATION_MODE; },
      [] { presence = QUNS_APP; }, [] {
        Seams().registerSessionNotification = [](HWND, DWORD) { return TRUE; };
        Seams().sessionLockedOrDisconnected = [] { return true; };
        CreateMainWindow();
        ApplyWantedState();
      }};
  // clang-format on
  for (const auto& set : cases) {
    CloseOverlays();
    App().settings.BlackScreenAfterIdleMin = 1;
    App().wakeUnattended = false;
    presence = QUNS_ACCEPTS_NOTIFICATIONS;
    set();
    EXPECT_EQ(Opens(), &set - cases < 2) << &set - cases;
  }
}

// In the window, or in the hook held where Windows refused the keyboard (a key pressed is taken there).
TEST_F(IdleBlackScreen, TheUsersFirstInputClosesItButNotASmallMoveNorTheNudge) {
  const struct {
    UINT message;
    WPARAM wParam;
    int x, y;
    bool closes, hook = false;
    ULONG_PTR mark = 0;
  } steps[] = {// clang-format off
      {WM_MOUSEMOVE, 0, 302, 300, false}, {WM_MOUSEMOVE, 0, 300, 303, false}, {WM_TIMER, 1, 302, 300, false},  // hides
      {WM_MOUSEMOVE, 0, 304, 300, true}, {WM_KEYDOWN, 'A', 0, 0, true}, {WM_KEYDOWN, VK_CONTROL, 0, 0, false},
      {WM_SYSKEYUP, VK_MENU, 0, 0, true}, {WM_LBUTTONDOWN, 0, 0, 0, false}, {WM_LBUTTONUP, 0, 0, 0, true},
      {WM_RBUTTONUP, 0, 0, 0, true}, {WM_MOUSEWHEEL, 0, 0, 0, true}, {WM_KEYUP, VK_LCONTROL, 0, 0, true, true},
      {WM_KEYDOWN, VK_F15, 0, 0, false, true, kNudgeInputMark}, {WM_KEYDOWN, 'A', 0, 0, true, true}};
  // clang-format on
  for (const auto& s : steps) {
    ASSERT_TRUE(IsOpen() || Opens());  // moves go on from one opening
    const KBDLLHOOKSTRUCT key{static_cast<DWORD>(s.wParam), 0, 0, 0, s.mark};
    if (s.x) ::SetCursorPos(s.x, s.y);
    if (!s.hook) ::SendMessageW(App().overlayWindows[0].window.Get(), s.message, s.wParam, 0);
    else EXPECT_EQ(!OverlayKeyboardHookProc(HC_ACTION, s.message, LPARAM(&key)), s.message == WM_KEYUP || !s.closes);
    PumpMessages(30);
    EXPECT_EQ(IsOpen(), !s.closes) << &s - steps;
  }
}

// A lone tap of Windows or Alt would open the Start menu or a menu bar: a marked key of no meaning comes in between,
// at the press read by the window (not its repeat), just before the release seen by the hook.
TEST_F(IdleBlackScreen, ATapOfWindowsOrAltIsMaskedByAMarkedKey) {
  // From the hook?, the message, the key, lParam, dwExtraInfo, what is sent
  const std::tuple<bool, UINT, DWORD, LPARAM, ULONG_PTR, const wchar_t*> cases[] = {
      // clang-format off
      {false, WM_KEYDOWN, VK_LWIN, 0, 0, L"E8d E8u "}, {false, WM_SYSKEYDOWN, VK_MENU, 0, 0, L"E8d E8u "},
      {false, WM_KEYDOWN, VK_LWIN, 1 << 30, 0, L""}, {false, WM_KEYDOWN, 'A', 0, 0, L""},
      {false, WM_KEYDOWN, VK_LWIN, 0, kNudgeInputMark, L""}, {false, WM_SYSKEYDOWN, VK_MENU, 0, kNudgeInputMark, L""},
      {true, WM_KEYDOWN, VK_LWIN, 0, 0, L""}, {true, WM_KEYUP, VK_LWIN, 0, 0, L"E8d E8u "},
      {true, WM_SYSKEYDOWN, VK_LMENU, 0, 0, L""}, {true, WM_SYSKEYUP, VK_LMENU, 0, 0, L"E8d E8u "},
      {true, WM_KEYUP, VK_LWIN, 0, kNudgeInputMark, L""}};
  // clang-format on
  for (const auto& [hook, message, key, lParam, mark, keys] : cases) {
    CloseOverlays();
    ASSERT_TRUE(Opens());
    sent.clear();
    const KBDLLHOOKSTRUCT hooked{key, 0, 0, 0, mark};
    ::SetMessageExtraInfo(static_cast<LPARAM>(mark));
    if (hook) OverlayKeyboardHookProc(HC_ACTION, message, LPARAM(&hooked));
    else ::SendMessageW(App().overlayWindows[0].window.Get(), message, key, lParam);
    ::SetMessageExtraInfo(0);
    EXPECT_EQ(sent, keys) << hook << " " << message << " " << key << " " << lParam << " " << mark;
  }
}
