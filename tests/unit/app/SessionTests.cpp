// A second start, start-up before the taskbar is there, the tray icon after "TaskbarCreated", and the tray menu's
// preparation.
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "app/CommandLine.h"
#include "app/Commands.h"
#include "base/Messages.h"
#include "power/Power.h"
#include "tray/TrayIcon.h"
#include "tray/UiLanguage.h"

namespace {
std::vector<DWORD> allowed;

bool ShellHoldsIcon() {  // modifying an icon the shell does not know fails
  NOTIFYICONDATAW probe{sizeof probe, App().trayIconData.hWnd, kTrayIconId, NIF_TIP};
  return ::Shell_NotifyIconW(NIM_MODIFY, &probe) != FALSE;
}

// A clean state in English with the main window; requests for the execution state are recorded.
struct Session : AppScope {
  Session() {
    App().settings.Language = L"en", App().taskbarCreatedMessage = ::RegisterWindowMessageW(L"TaskbarCreated");
  }
  StateSeams seams;
  HWND window = MakeMainWindow();
};

TEST(SecondStart, PassesTheForegroundRightOnBeforeAskingForTheMenu) {
  Session s;
  s.seams->allowSetForegroundWindow = [](DWORD process) {
    MSG posted;  // 0 when the request is already on its way
    return allowed.push_back(::PeekMessageW(&posted, nullptr, WM_SHOWTRAYMENU, WM_SHOWTRAYMENU, PM_NOREMOVE) ? 0
                                                                                                             : process),
           TRUE;
  };
  ASSERT_TRUE(SignalRunningInstance());
  EXPECT_EQ(allowed, std::vector<DWORD>{::GetCurrentProcessId()});
  EXPECT_TRUE(TakePosted(s.window, WM_SHOWTRAYMENU));
}

// How a copy was started, from what Explorer and a command-line call leave in its start-up information.
TEST(SecondStart, OnlyACopyTheUserStartedAsksForTheMenu) {
  const std::wstring link =
      L"C:\\Users\\Ann\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs\\Startup\\Umbraline.lnk";
  using enum StartedBy;
  const struct {
    DWORD flags;
    const wchar_t* title;
    bool mark;
    StartedBy by;
  } cases[] = {
      {STARTF_TITLEISLINKNAME, link.c_str(), false, StartupShortcut},
      {0, nullptr, true, CommandLineCall},
      {STARTF_TITLEISLINKNAME, L"C:\\Users\\Ann\\Desktop\\Umbraline.lnk", false, User},  // the user's own shortcut
      {STARTF_USESHOWWINDOW, link.c_str(), false, User},
      {STARTF_TITLEISLINKNAME, link.c_str(), true, CommandLineCall}};
  for (const auto& c : cases)
    EXPECT_EQ(ClassifyStart(c.flags, c.title, link, c.mark), c.by) << c.flags << " " << c.mark;
}

// At log-on the taskbar comes late: the program answers a call and applies it before its icon is added, and a retry
// adds the icon with the tooltip; on a window station no one sees it ends at once. Inside the program's message loop:
bool refuseIcon = true;
std::vector<bool> seenAtLogOn;
void CALLBACK CallBeforeTheIcon(HWND, UINT, UINT_PTR timer, DWORD) {
  std::wstring data = (::KillTimer(nullptr, timer), EncodeCommandLineData({L"--prevent-sleep", L"on"}));
  COPYDATASTRUCT call{kCommandLineCopyDataTag, static_cast<DWORD>(data.size() * 2), data.data()};
  seenAtLogOn = {!App().trayIconAdded,
                 ::SendMessageW(App().mainWindow, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&call)) == kAnswerApplied,
                 executionStates == std::vector<EXECUTION_STATE>{0x80000003},
                 ::KillTimer(App().mainWindow, TIMER_TRAY_ICON) != FALSE};
  refuseIcon = false,
  ::SendMessageW(App().mainWindow, WM_TIMER, TIMER_TRAY_ICON, 0);  // the retry, the taskbar now there
  seenAtLogOn.push_back(ShellHoldsIcon() && App().trayIconData.szTip == std::wstring(L"Umbraline | Sleep prevent ON"));
  ::SendMessageW(App().mainWindow, WM_CLOSE, 0, 0);
}

TEST(LogOn, CallsAreAnsweredBeforeTheIconAndNothingStartsWithoutADesktop) {
  AppScope app("[General]\r\nSleepPrevent=0\r\n[UI]\r\nLanguage=en\r\n[Hotkey]\r\nToggleHotkey=none\r\n");
  StateSeams seams;
  seams->shellNotifyIcon = [](DWORD message, PNOTIFYICONDATAW data) {
    return message == NIM_ADD && refuseIcon ? FALSE : ::Shell_NotifyIconW(message, data);
  };
  seams->getUserObjectInformation = InvisibleStation;
  ::SetTimer(nullptr, 0, 10, CallBeforeTheIcon);  // ends the message loop of the copy that runs
  ASSERT_TRUE(RunResident() == 1 && App().mainWindow == nullptr);  // (else it ran, answered and ended here)
  seams->getUserObjectInformation = ::GetUserObjectInformationW;
  EXPECT_EQ(RunResident(), 0);
  EXPECT_EQ(seenAtLogOn, std::vector<bool>(5, true));
}

// Back after "TaskbarCreated" whether the shell kept the icon (a DPI or display change) or lost it
// (Explorer restarted); the tooltip then follows the commands and the modes in the user's language.
TEST(TrayIcon, AddedBackAfterTaskbarCreatedFollowingTheModesAndRemoved) {
  Session s;
  ASSERT_TRUE(AddTrayIcon());
  const NOTIFYICONDATAW& data = App().trayIconData;
  EXPECT_TRUE(data.hWnd == s.window && data.uID == kTrayIconId && data.uCallbackMessage == WM_TRAYICON &&
              ShellHoldsIcon());
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
  for (const auto& [step, tip] : steps) {
    step();
    EXPECT_STREQ(data.szTip, tip);
  }
  RemoveTrayIcon();
  EXPECT_FALSE(App().trayIconAdded || ShellHoldsIcon());
  // An add the shell took after its answer timed out (log-on): every add fails from then on, a modify finds it.
  s.seams->shellNotifyIcon = [](DWORD m, PNOTIFYICONDATAW d) -> BOOL {
    return ::Shell_NotifyIconW(m, d) && m != NIM_ADD;
  };
  EXPECT_TRUE(AddTrayIcon() && ShellHoldsIcon() && (RemoveTrayIcon(), !ShellHoldsIcon()));  // and removed at the end
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
    EXPECT_EQ(languageLists,
              std::vector<std::wstring>{std::wstring(PreferredUiLanguageList(L"English").c_str()) + L"|"});
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
