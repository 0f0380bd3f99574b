// A second start, start-up before the taskbar is there, the tray icon, and the tray menu's preparation.
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "app/CommandLine.h"
#include "app/Commands.h"
#include "base/Messages.h"
#include "tray/TrayIcon.h"

namespace {

bool ShellHoldsIcon() {  // modifying an icon the shell does not know fails
  NOTIFYICONDATAW probe{sizeof probe, App().trayIconData.hWnd, kTrayIconId, NIF_TIP};
  return ::Shell_NotifyIconW(NIM_MODIFY, &probe) != FALSE;
}

// A clean state in English with the main window; requests for the execution state are recorded.
struct Session : AppScope {
  Session() {
    App().settings.Language = L"en";
    App().taskbarCreatedMessage = ::RegisterWindowMessageW(L"TaskbarCreated");
  }
  StateSeams seams;
  HWND window = MakeMainWindow();
};

// How a copy was started, from what Explorer and a command-line call leave in its start-up information.
TEST(SecondStart, OnlyACopyTheUserStartedAsksForTheMenu) {
  const std::wstring startup =
      L"C:\\Users\\Ann\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs\\Startup\\Umbraline.lnk";
  const wchar_t *link = startup.c_str(), *own = L"C:\\Users\\Ann\\Desktop\\Umbraline.lnk";  // the user's shortcut
  using enum StartedBy;
  const std::tuple<DWORD, const wchar_t*, bool, StartedBy> cases[] = {
      {STARTF_TITLEISLINKNAME, link, false, StartupShortcut},
      {0, nullptr, true, CommandLineCall},
      {STARTF_TITLEISLINKNAME, own, false, User},
      {STARTF_USESHOWWINDOW, link, false, User},
      {STARTF_TITLEISLINKNAME, link, true, CommandLineCall}};
  for (const auto& [flags, title, mark, by] : cases)
    EXPECT_EQ(ClassifyStart(flags, title, startup, mark), by) << flags << " " << mark;
}

// The program as run at log-on, the taskbar not there yet: the shell refuses the icon while refuseIcon holds. Inside
// the program's message loop a call is answered and applied before the icon is added; then the retry adds it.
bool refuseIcon = true, answeredBeforeTheIcon = false, addedWithTheTooltip = false;
void CALLBACK CallBeforeTheIcon(HWND, UINT, UINT_PTR timer, DWORD) {
  ::KillTimer(nullptr, timer);
  answeredBeforeTheIcon = CallProgram({L"--prevent-sleep", L"on"}) == kAnswerApplied && !App().trayIconAdded &&
                          executionStates.size() == 1 && ::KillTimer(App().mainWindow, TIMER_TRAY_ICON);
  refuseIcon = false;
  ::SendMessageW(App().mainWindow, WM_TIMER, TIMER_TRAY_ICON, 0);  // the retry, the taskbar now there
  addedWithTheTooltip = ShellHoldsIcon() && App().trayIconData.szTip == std::wstring(L"Umbraline | Sleep prevent ON");
  ::SendMessageW(App().mainWindow, WM_CLOSE, 0, 0);
}

TEST(LogOn, ACallIsAnsweredBeforeTheIconIsAddedAndARetryAddsItWithTheTooltip) {
  AppScope app("[General]\r\nSleepPrevent=0\r\n[UI]\r\nLanguage=en\r\n[Hotkey]\r\nToggleHotkey=none\r\n");
  StateSeams seams;
  seams->shellNotifyIcon = [](DWORD message, PNOTIFYICONDATAW data) {
    return message == NIM_ADD && refuseIcon ? FALSE : ::Shell_NotifyIconW(message, data);
  };
  ::SetTimer(nullptr, 0, 10, CallBeforeTheIcon);
  EXPECT_EQ(RunResident(), 0);
  EXPECT_TRUE(answeredBeforeTheIcon && addedWithTheTooltip);
}

struct TrayIconTest : testing::Test {
  void SetUp() override { ASSERT_TRUE(AddTrayIcon() && ShellHoldsIcon()); }
  Session s_;
  const NOTIFYICONDATAW& data_ = App().trayIconData;
};

// Whether the shell kept the icon (a DPI or display change) or lost it (Explorer restarted).
TEST_F(TrayIconTest, ComesBackAfterTaskbarCreatedWithItsImageLoadedAgain) {
  for (bool lost : {false, true}) {
    const HICON before = data_.hIcon;
    ASSERT_TRUE(!lost || ::Shell_NotifyIconW(NIM_DELETE, &App().trayIconData));
    ::SendMessageW(s_.window, App().taskbarCreatedMessage, 0, 0);
    EXPECT_TRUE(App().trayIconAdded && ShellHoldsIcon() && data_.hIcon != before) << lost;  // at the primary's DPI
  }
}

// The menu, opened after config.ini was edited by hand, closed from inside its modal loop.
void CALLBACK CloseMenu(HWND, UINT, UINT_PTR timer, DWORD) {
  ::KillTimer(nullptr, timer);
  ::EndMenu();
}
struct MenuPreparation : testing::Test {
  void OpenMenuAfterEditing(const std::string& action) {
    ASSERT_TRUE(AddTrayIcon() && WriteBytes(App().configPath, ToBytes(edited + action)));
    ::SetTimer(nullptr, 0, 50, CloseMenu);
    ::SendMessageW(s_.window, WM_SHOWTRAYMENU, 0, 0);
  }
  void TearDown() override { RemoveTrayIcon(); }
  const std::string edited = "[General]\r\nSleepPrevent=1\r\nKeepActive=1\r\n[KeepActive]\r\nIdleThresholdSec=120\r\n"
                             "[UI]\r\nLanguage=English\r\n[Hotkey]\r\nToggleHotkey=Ctrl+Shift+VK_F9\r\nAction=";
  Session s_;
};

TEST_F(MenuPreparation, HandEditsOfTheFileTakeEffectWithoutASave) {
  OpenMenuAfterEditing("BlackAll");
  EXPECT_TRUE(App().idleThresholdMs == 120000u && App().settings.Action == OverlayAction::BlackAll);
  EXPECT_TRUE(HotkeyTaken(MOD_CONTROL | MOD_SHIFT, VK_F9));  // registered again
  EXPECT_EQ(executionStates, std::vector<EXECUTION_STATE>{0x80000003});
  EXPECT_TRUE(App().keepActiveTimerOn && ::KillTimer(s_.window, TIMER_KEEPACTIVE));
  EXPECT_STREQ(App().trayIconData.szTip, L"Umbraline | Sleep prevent ON | Keep active ON");
  EXPECT_EQ(s_.ConfigText(), edited + "BlackAll");
}

TEST_F(MenuPreparation, AnAwayActionIsRewrittenToTheBlackScreenAndSaved) {
  OpenMenuAfterEditing("AwayAll");
  EXPECT_TRUE(App().settings.Action == OverlayAction::BlackCurrent && s_.ConfigText() != edited + "AwayAll");
}

}  // namespace
