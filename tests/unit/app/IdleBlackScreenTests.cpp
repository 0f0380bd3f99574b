#include <gtest/gtest.h>

#include "TestSupport.h"
#include "app/Commands.h"
#include "app/Conditions.h"
#include "app/IdleBlackScreen.h"
#include "base/Messages.h"
#include "power/Power.h"

static DWORD tick, lastInput, presence;
struct IdleScope : OverlayScope {  // the key set; the clock, the last input and the presence as set here
  explicit IdleScope(std::uint32_t minutes = 1)
      : OverlayScope("FadeInDurationMs=0\nClockDisplay=None\nBlackScreenAfterIdleMin=" + std::to_string(minutes)) {
    tick = lastInput = 5000000, presence = QUNS_ACCEPTS_NOTIFICATIONS, App().settings.BlackScreenAfterIdleMin = minutes;
    seams->getTickCount = [] { return tick; };
    seams->queryUserNotificationState = [](auto* s) { return *s = QUERY_USER_NOTIFICATION_STATE(presence), S_OK; };
    seams->getLastInputInfo = [](PLASTINPUTINFO info) { return info->dwTime = lastInput, TRUE; };
    seams->sendInput = [](UINT n, LPINPUT, int) { return lastInput = tick + 15, n; };  // the nudge, stamped
  }
  ScopedSeams seams;
};
static bool IdleOpen() { return App().overlayTarget == OverlayTarget::Idle && !App().overlayWindows.empty(); }
static bool Opens() {  // idle a minute since an input it has not opened for, the cursor at (300, 300)
  ::SetCursorPos(300, 300), App().idleBlackScreenSpent = false, App().userInputTick = lastInput = tick - 60000;
  return CheckIdleTime(), IdleOpen();
}

// Later input is the user's but the nudge's, earlier (before the return) is not; on time while keep active nudges.
TEST(IdleClock, NeitherTheNudgeNorAnInputFromBeforeTheReturnIsTheUsers) {
  const std::uint32_t w = 0xFFFFFF00u, cases[][4] = {{5000, 1000, 0, 5000},    {5000, 1000, 3999, 5000},  // last, user,
                                                     {5000, 1000, 4000, 1000}, {900, 1000, 0, 1000},
                                                     {5, w, w - 0x1000, 5},    {5, w, w + 0xF0, w}};  // nudge: user
  for (const auto& c : cases) EXPECT_EQ(UserInputTick(c[0], c[1], c[2]), c[3]) << c[0] << " " << c[2];
  for (const NudgeKind kind : {NudgeKind::Mouse, NudgeKind::F15}) {
    IdleScope scope(2);
    App().keepActiveTimerOn = true, App().idleThresholdMs = 60000, App().nudgeKind = kind;
    for (int s = 10; s <= 120; s += 10)  // a nudge at 60 s
      EXPECT_EQ((tick += 10000, OnKeepActiveTimer(), CheckIdleTime(), IdleOpen()), s == 120) << s;
    CloseOverlays(), App().idleBlackScreenSpent = false, OnPowerBroadcast(PBT_APMRESUMESUSPEND, 0);
    EXPECT_FALSE((CheckIdleTime(), IdleOpen())) << "counted from the return";
  }
}

// Held back by a lock (known while the key is set) and the rest; once per input. Closed by the first input but the
// nudge's, in the window or the hook held where Windows refused the keyboard (a key pressed is taken there).
TEST(IdleBlackScreen, OpensUnlessSomethingHoldsItBackAndTheUsersFirstInputClosesIt) {
  IdleScope scope;
  const struct {
    void (*set)();
    bool opens;
  } cases[] = {{[] { App().settings.BlackScreenAfterIdleMin = 0; }, false},
               {[] { App().wakeUnattended = true; }, false},
               {[] { ShowOverlays(OverlayTarget::All); }, false},
               {[] {}, true}};
  for (const auto& c : cases) {
    CloseOverlays(), App().settings.BlackScreenAfterIdleMin = 1, App().wakeUnattended = false;
    EXPECT_EQ((c.set(), Opens()), c.opens) << &c - cases;
  }
  EXPECT_FALSE((CloseOverlays(), tick += 600000, CheckIdleTime(), IdleOpen())) << "again without the user's input";
  for (DWORD p = QUNS_NOT_PRESENT; p <= QUNS_APP; ++p)  // busy, full screen, presentation, a Store app, no one there
    EXPECT_EQ((CloseOverlays(), presence = p, Opens()), p == QUNS_ACCEPTS_NOTIFICATIONS || p == QUNS_QUIET_TIME) << p;
  const struct {
    UINT message;
    WPARAM wParam;
    int x, y;
    bool closes, hook = false;
    ULONG_PTR mark = 0;
  } steps[] = {{WM_MOUSEMOVE, 0, 302, 300, false},
               {WM_MOUSEMOVE, 0, 300, 303, false},
               {WM_TIMER, 1, 302, 300, false},  // hides
               {WM_MOUSEMOVE, 0, 304, 300, true},
               {WM_KEYDOWN, 'A', 0, 0, true},
               {WM_KEYDOWN, VK_CONTROL, 0, 0, false},
               {WM_SYSKEYUP, VK_MENU, 0, 0, true},
               {WM_LBUTTONDOWN, 0, 0, 0, false},
               {WM_LBUTTONUP, 0, 0, 0, true},
               {WM_RBUTTONUP, 0, 0, 0, true},
               {WM_MOUSEWHEEL, 0, 0, 0, true},
               {WM_KEYUP, VK_LCONTROL, 0, 0, true, true},
               {WM_KEYDOWN, VK_F15, 0, 0, false, true, kNudgeInputMark},
               {WM_KEYDOWN, 'A', 0, 0, true, true}};
  for (const auto& s : steps) {
    ASSERT_TRUE(IdleOpen() || (presence = QUNS_ACCEPTS_NOTIFICATIONS, Opens()));  // moves go on from one opening
    const KBDLLHOOKSTRUCT key{static_cast<DWORD>(s.wParam), 0, 0, 0, s.mark};
    if (s.x) ::SetCursorPos(s.x, s.y);
    if (!s.hook) ::SendMessageW(App().overlayWindows[0].window.Get(), s.message, s.wParam, 0);
    else EXPECT_EQ(!OverlayKeyboardHookProc(HC_ACTION, s.message, LPARAM(&key)), s.message == WM_KEYUP || !s.closes);
    EXPECT_EQ((PumpMessages(30), IdleOpen()), !s.closes) << &s - steps;
  }
  scope.seams->sendInput = ::SendInput;  // real input: the nudge's marked F15 is passed over, a key is not
  EXPECT_TRUE(Opens() && SendNudge(NudgeKind::F15) && (PumpMessages(100), IdleOpen()));
  EXPECT_FALSE((::keybd_event('A', 0, 0, 0), ::keybd_event('A', 0, KEYEVENTF_KEYUP, 0), PumpMessages(100), IdleOpen()));
  EXPECT_TRUE(Opens() && (RunHotkeyAction(), App().overlayWindows.empty() && !App().blackScreenActive));
  scope.seams->registerSessionNotification = [](HWND, DWORD) { return TRUE; };  // the key alone holds the notices:
  scope.seams->sessionLockedOrDisconnected = [] { return true; };
  EXPECT_TRUE((scope.MakeMainWindow(), ApplyWantedState(), App().sessionLocked && !Opens()));
}
