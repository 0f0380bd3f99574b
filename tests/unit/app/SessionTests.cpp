// A second start, the tray icon at start-up and after "TaskbarCreated", and the tray menu's preparation.
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "app/Commands.h"
#include "base/Messages.h"
#include "power/Power.h"
#include "tray/TrayIcon.h"
#include "tray/UiLanguage.h"

namespace {
std::vector<DWORD> allowed;
ULONGLONG now = 0, eventAt = 0;
int event = 0;  // at eventAt: 1 "Explorer" starts (drops the icon in the way, broadcasts), 2 WM_QUIT

bool ShellHoldsIcon() {  // modifying an icon the shell does not know fails
  NOTIFYICONDATAW probe{sizeof probe, App().trayIconData.hWnd, kTrayIconId, NIF_TIP};
  return ::Shell_NotifyIconW(NIM_MODIFY, &probe) != FALSE;
}

// A clean state in English with the main window; requests for the execution state are recorded.
struct Session : AppScope {
  Session() { App().settings.Language = L"en", App().taskbarCreatedMessage = ::RegisterWindowMessageW(L"TaskbarCreated"); }
  StateSeams seams;
  HWND window = MakeMainWindow();
};

TEST(SecondStart, PassesTheForegroundRightOnBeforeAskingForTheMenu) {
  Session s;
  s.seams->allowSetForegroundWindow = [](DWORD process) {
    MSG posted;  // 0 when the request is already on its way
    return allowed.push_back(::PeekMessageW(&posted, nullptr, WM_SHOWTRAYMENU, WM_SHOWTRAYMENU, PM_NOREMOVE) ? 0 : process), TRUE;
  };
  ASSERT_TRUE(SignalRunningInstance());
  EXPECT_EQ(allowed, std::vector<DWORD>{::GetCurrentProcessId()});
  EXPECT_TRUE(TakePosted(s.window, WM_SHOWTRAYMENU));
}

// An icon the shell already holds makes NIM_ADD fail, as a shell not ready yet (or one that kept the icon) does.
TEST(TrayIconAtStartup, RetriedForThirtySecondsWhileMessagesAreHandled) {
  const struct { int event; ULONGLONG at; bool result, added; ULONGLONG end; } cases[] = {
      {1, 10000, true, true, 10000}, {0, 0, true, false, 30000}, {2, 1500, false, false, 1500}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.event);
    Session s;
    s.seams->getTickCount64 = [] { return now; };
    s.seams->msgWaitForMultipleObjects = [](DWORD, const HANDLE*, BOOL, DWORD ms, DWORD) -> DWORD {
      if ((now += ms) == eventAt && event == 1) ::Shell_NotifyIconW(NIM_DELETE, &App().trayIconData);
      if (now == eventAt) event == 1 ? void(::PostMessageW(App().mainWindow, App().taskbarCreatedMessage, 0, 0)) : ::PostQuitMessage(3);
      return WAIT_TIMEOUT;
    };
    now = 0, event = c.event, eventAt = c.at;
    NOTIFYICONDATAW blocker{sizeof blocker, s.window, kTrayIconId, NIF_TIP};
    ASSERT_TRUE(::Shell_NotifyIconW(NIM_ADD, &blocker));
    EXPECT_EQ(AddTrayIconAtStartup(), c.result);
    EXPECT_EQ(App().trayIconAdded, c.added);
    EXPECT_EQ(now, c.end);
    MSG quit;  // the WM_QUIT that came during the wait is posted again
    EXPECT_EQ(::PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) && quit.wParam == 3, c.event == 2);
    ::Shell_NotifyIconW(NIM_DELETE, &blocker);  // then the next "TaskbarCreated" adds the icon
    ::SendMessageW(s.window, App().taskbarCreatedMessage, 0, 0);
    EXPECT_TRUE(App().trayIconAdded && ShellHoldsIcon());
    RemoveTrayIcon();
  }
}

// Back after "TaskbarCreated" whether the shell kept the icon (a DPI or display change) or lost it
// (Explorer restarted); the tooltip then follows the commands and the modes in the user's language.
TEST(TrayIcon, AddedBackAfterTaskbarCreatedFollowingTheModesAndRemoved) {
  Session s;
  ASSERT_TRUE(AddTrayIcon());
  const NOTIFYICONDATAW& data = App().trayIconData;
  EXPECT_TRUE(data.hWnd == s.window && data.uID == kTrayIconId && data.uCallbackMessage == WM_TRAYICON && ShellHoldsIcon());
  EXPECT_STREQ(data.szTip, L"Umbraline");
  for (bool lost : {false, true}) {
    SCOPED_TRACE(lost);
    const HICON before = data.hIcon;
    ASSERT_TRUE(!lost || ::Shell_NotifyIconW(NIM_DELETE, &App().trayIconData));
    ::SendMessageW(s.window, App().taskbarCreatedMessage, 0, 0);
    EXPECT_TRUE(App().trayIconAdded && ShellHoldsIcon());
    EXPECT_NE(data.hIcon, before);  // loaded again at the primary monitor's DPI
  }
  const std::pair<void (*)(), const wchar_t*> steps[] = {
      {[] { HandleCommand(IDM_PREVENT_SLEEP); }, L"Umbraline | Sleep prevent ON"},
      {[] { SetKeepActive(true); }, L"Umbraline | Sleep prevent ON | Keep active ON"},
      {[] { App().settings.SleepPrevent = false, ReapplyPowerState(); }, L"Umbraline | Keep active ON"},
      {[] { App().settings.Language = L"de", UpdateTrayTooltip(); }, L"Umbraline | Aktiv ON"}};
  for (const auto& [step, tip] : steps) { step(); EXPECT_STREQ(data.szTip, tip); }
  RemoveTrayIcon();
  EXPECT_FALSE(App().trayIconAdded || ShellHoldsIcon());
}

// Inside the menu's modal loop: what the preparation did, then the menu is closed.
std::vector<bool> seenInMenu;
void CALLBACK LookAndCloseMenu(HWND, UINT, UINT_PTR timer, DWORD) {
  ::KillTimer(nullptr, timer);
  const HWND overlay = App().overlayWindows.empty() ? nullptr : App().overlayWindows[0].window.Get();
  ::ShowCursor(TRUE);
  seenInMenu = {!App().cursorHidden, ::ShowCursor(FALSE) == 0, !::KillTimer(overlay, TIMER_OVERLAY_CURSOR)};
  ::EndMenu();
}

TEST(MenuPreparation, HandEditsTakeEffectAndTheCursorIsLeftAlone) {
  const std::string edited = "[General]\r\nSleepPrevent=1\r\nKeepActive=1\r\n[KeepActive]\r\nIdleThresholdSec=120\r\n"
                             "[UI]\r\nLanguage=English\r\n[Hotkey]\r\nToggleHotkey=Ctrl+Shift+VK_F9\r\nAction=";
  for (const char* action : {"BlackAll", "AwayAll"}) {
    SCOPED_TRACE(action);
    Session s;
    ASSERT_TRUE(AddTrayIcon() && ::SetCursorPos(300, 300));
    ShowOverlays(OverlayTarget::Current);
    ASSERT_EQ(App().overlayWindows.size(), 1u);
    ::SendMessageW(App().overlayWindows[0].window.Get(), WM_TIMER, TIMER_OVERLAY_CURSOR, 0);  // the cursor hides
    ::SetTimer(App().overlayWindows[0].window.Get(), TIMER_OVERLAY_CURSOR, 3000, nullptr);  // as another window's runs
    ASSERT_TRUE(App().cursorHidden && WriteBytes(App().configPath, ToBytes(edited + action)));
    seenInMenu.clear();
    ::SetTimer(nullptr, 0, 50, LookAndCloseMenu), ::SendMessageW(s.window, WM_SHOWTRAYMENU, 0, 0);
    EXPECT_EQ(seenInMenu, std::vector<bool>(3, true));  // cursor shown, count restored, hide timer stopped
    EXPECT_EQ(App().idleThresholdMs, 120000u);
    EXPECT_EQ(languageLists, std::vector<std::wstring>{std::wstring(PreferredUiLanguageList(L"English").c_str()) + L"|"});
    EXPECT_EQ(App().settings.Action, action[0] == 'A' ? OverlayAction::BlackCurrent : OverlayAction::BlackAll);
    EXPECT_TRUE(HotkeyTaken(MOD_CONTROL | MOD_SHIFT, VK_F9));  // registered again
    EXPECT_EQ(executionStates, std::vector<EXECUTION_STATE>{0x80000003});
    EXPECT_TRUE(App().keepActiveTimerOn && ::KillTimer(s.window, TIMER_KEEPACTIVE));
    EXPECT_STREQ(App().trayIconData.szTip, L"Umbraline | Sleep prevent ON | Keep active ON | Black screen");
    EXPECT_EQ(s.ConfigText() == edited + action, action[0] == 'B');  // only the Away rewrite saves
    RemoveTrayIcon(), CloseOverlays();
  }
}

}  // namespace
