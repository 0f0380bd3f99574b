#include "app/Commands.h"
#include "app/MainWindow.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include "TestSupport.h"
#include "base/Messages.h"
#include "base/SystemSeams.h"
#include "config/ConfigLoad.h"
#include "overlay/Overlay.h"

static std::vector<EXECUTION_STATE> g_states;
static std::vector<std::wstring> g_opened;  // "verb file" of each plain shell call

static bool HotkeyTaken(UINT key) {  // by anyone: our window's registration, for instance
  return !::RegisterHotKey(nullptr, 0x7F00, MOD_CONTROL | MOD_ALT, key) || !::UnregisterHotKey(nullptr, 0x7F00);
}
static Settings& S() { return App().settings; }
static bool HotkeyIs(UINT key) { return S().ToggleHotkey == HotkeySpec{kModControl | kModAlt, key}; }
static bool StartupLinkExists() {
  wchar_t folder[MAX_PATH];
  return SUCCEEDED(::SHGetFolderPathW(nullptr, CSIDL_STARTUP, nullptr, 0, folder)) &&
         PathExists(std::wstring(folder) + L"\\Umbraline.lnk");
}

TEST(Commands, EachCommandChangesItsSettingSavesAndApplies) {
  AppScope app("[General]\r\nSleepPrevent=0\r\nKeepActive=0\r\nRunAtStartup=0\r\n; keep me\r\n"
               "[Hotkey]\r\nAction=BlackCurrent\r\nToggleHotkey=VK_V\r\n[Overlay]\r\nClockDisplay=Time\r\n");
  ScopedSeams seams;
  seams->setThreadExecutionState = [](EXECUTION_STATE state) {
    g_states.push_back(state);
    return EXECUTION_STATE{ES_CONTINUOUS};
  };
  seams->shellExecute = [](HWND owner, LPCWSTR verb, LPCWSTR file, LPCWSTR parameters, LPCWSTR folder, INT show) {
    const bool plain = owner == App().mainWindow && !parameters && !folder && show == SW_SHOWNORMAL;
    g_opened.push_back(std::wstring(plain ? verb : L"unexpected call") + L" " + file);
    return reinterpret_cast<HINSTANCE>(42);
  };
  ASSERT_NE(app.MakeMainWindow(), nullptr);
  LoadConfig();
  using enum ClockDisplayMode;
  const struct { WORD id; const char* line; bool (*applied)(); } cases[] = {  // line: expected in the file
      {IDM_ACTION_BLACK_CURRENT, "; keep me", [] { return S().Action == OverlayAction::BlackCurrent; }},
      {IDM_CLOCK_TIME, "; keep me", [] { return S().ClockDisplay == Time; }},  // unchanged: no write
      {IDM_ACTION_BLACK_ALL, "Action=BlackAll", [] { return S().Action == OverlayAction::BlackAll; }},
      {IDM_PREVENT_SLEEP, "SleepPrevent=1", [] { return S().SleepPrevent; }},
      {IDM_PREVENT_SLEEP, "SleepPrevent=0", [] { return !S().SleepPrevent; }},
      {IDM_KEEP_ACTIVE, "KeepActive=1", [] { return S().KeepActive && KillTimer(App().mainWindow, TIMER_KEEPACTIVE); }},
      {IDM_CLOCK_NONE, "ClockDisplay=None", [] { return S().ClockDisplay == None; }},
      {IDM_CLOCK_ELAPSED, "ClockDisplay=Elapsed", [] { return S().ClockDisplay == Elapsed; }},
      {IDM_CLOCK_TIME_AND_ELAPSED, "ClockDisplay=TimeAndElapsed", [] { return S().ClockDisplay == TimeAndElapsed; }},
      {IDM_CLOCK_TIME, "ClockDisplay=Time", [] { return S().ClockDisplay == Time; }},
      {IDM_HOTKEY_CTRL_ALT_B, "ToggleHotkey=VK_B", [] { return HotkeyIs('B') && HotkeyTaken('B'); }},
      {IDM_HOTKEY_CTRL_ALT_Q, "ToggleHotkey=VK_Q", [] { return HotkeyIs('Q'); }},  // held elsewhere: still stored
      {IDM_HOTKEY_CTRL_ALT_S, "ToggleHotkey=VK_S", [] { return HotkeyIs('S') && !HotkeyTaken('B'); }},
      {IDM_HOTKEY_CTRL_ALT_M, "ToggleHotkey=VK_M", [] { return HotkeyIs('M') && !HotkeyTaken('S'); }},
      {IDM_HOTKEY_CTRL_ALT_V, "ToggleHotkey=VK_V", [] { return HotkeyIs('V') && !HotkeyTaken('M'); }},
      {IDM_HOTKEY_DISABLED, "ToggleHotkey=none", [] { return HotkeyIs(0) && !HotkeyTaken('V'); }},
      {IDM_HOTKEY_CTRL_ALT_V, "ToggleHotkey=VK_V", [] { return HotkeyIs('V') && HotkeyTaken('V'); }},
      {IDM_RUN_AT_STARTUP, "RunAtStartup=1", [] { return S().RunAtStartup && StartupLinkExists(); }},
      {IDM_RUN_AT_STARTUP, "RunAtStartup=0", [] { return !S().RunAtStartup && !StartupLinkExists(); }},
  };
  ASSERT_TRUE(::RegisterHotKey(nullptr, 0x7F01, MOD_CONTROL | MOD_ALT, 'Q'));
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    HandleCommand(c.id);
    EXPECT_TRUE(c.applied());
    EXPECT_NE(app.ConfigText().find(c.line), std::string::npos);
  }
  ::UnregisterHotKey(nullptr, 0x7F01);
  EXPECT_EQ(g_states, (std::vector<EXECUTION_STATE>{0x80000003, 0x80000000}));
  App().configPath.clear();  // the real file under the roaming folder, made when missing, even while running
  HandleCommand(IDM_EDIT_CONFIG);
  ASSERT_TRUE(::DeleteFileW(App().configPath.c_str()));
  HandleCommand(IDM_EDIT_CONFIG);
  EXPECT_EQ(g_opened, std::vector<std::wstring>(2, L"open " + App().configPath));
  EXPECT_TRUE(PathExists(App().configPath));
  ::DeleteFileW(App().configPath.c_str());
  HandleCommand(IDM_EXIT);
  EXPECT_TRUE(TakePosted(App().mainWindow, WM_CLOSE));
}

TEST(Commands, BlackScreenTogglesAndReplaces) {
  AppScope app("[Overlay]\nFadeInDurationMs=0\n");
  ::SetCursorPos(100, 100);
  const std::size_t monitors = ::GetSystemMetrics(SM_CMONITORS);
  const struct { WORD id; bool active; OverlayTarget kind; std::size_t windows; } steps[] = {
      {IDM_BLACK_CURRENT, true, OverlayTarget::Current, 1}, {IDM_BLACK_ALL, true, OverlayTarget::All, monitors},
      {IDM_BLACK_ALL, false, OverlayTarget::All, 0},  // the same kind again closes, another one replaces
  };
  for (const auto& s : steps) {
    HandleCommand(s.id);
    EXPECT_EQ(App().blackScreenActive, s.active);
    EXPECT_EQ(App().blackScreenKind, s.kind);
    EXPECT_EQ(App().overlayWindows.size(), s.windows);
  }
  // Marked open but without windows (an opening that created none): the command opens it again.
  App().blackScreenActive = true;
  App().blackScreenKind = OverlayTarget::Current;
  EXPECT_TRUE(ToggleBlackScreen(OverlayTarget::Current));
  EXPECT_EQ(App().overlayWindows.size(), 1u);
  // The user's dismissal clears the mark, so the next command opens instead of closing.
  CloseOverlays();
  OnOverlayDismissed();
  EXPECT_FALSE(App().blackScreenActive);
}

TEST(TrayClickFilter, AcceptsReleasesAndSelectsAtMostEvery250Ms) {
  const struct { std::uint32_t last; UINT event; std::uint32_t now; bool accepted; } cases[] = {
      {0, WM_LBUTTONUP, 5, true},        {0, WM_RBUTTONUP, 0x12345, true},  {0, WM_CONTEXTMENU, 100, true},
      {0, NIN_SELECT, 100, true},        {0, NIN_KEYSELECT, 100, true},     {0, WM_LBUTTONDOWN, 100, false},
      {0, WM_MOUSEMOVE, 100, false},     {0, WM_LBUTTONDBLCLK, 100, false}, {0, WM_RBUTTONDOWN, 100, false},
      {1000, WM_LBUTTONUP, 1249, false}, {1000, WM_LBUTTONUP, 1250, true},  // 249 ms later swallowed, 250 taken
      {0xFFFFFFF0u, WM_LBUTTONUP, 0xE9, false}, {0xFFFFFFF0u, WM_LBUTTONUP, 0xEA, true},  // across the tick wrap
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "case " << (&c - cases));
    App().lastTrayClickTick = c.last;
    EXPECT_EQ(AcceptTrayClick(c.event, c.now), c.accepted);
    EXPECT_EQ(App().lastTrayClickTick, c.accepted ? c.now : c.last);
  }
  App().lastTrayClickTick = 0;
}

TEST(MainWindow, CloseAndEndSessionRunTheShutdownAndQuitWithZero) {
  AppScope app;
  for (UINT message : {UINT{WM_CLOSE}, UINT{WM_ENDSESSION}}) {
    const HWND window = app.MakeMainWindow();
    ASSERT_TRUE(::RegisterHotKey(window, HOTKEY_ID_TOGGLE, kModControl | kModAlt | kModShift, VK_F9));
    ::SendMessageW(window, WM_ENDSESSION, FALSE, 0);  // a cancelled log-off: the program goes on
    EXPECT_TRUE(::IsWindow(window));
    ::SendMessageW(window, message, TRUE, 0);
    EXPECT_FALSE(::IsWindow(window)) << message;
    MSG quit{};
    ASSERT_TRUE(::PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(quit.wParam, 0u);
    EXPECT_TRUE(::RegisterHotKey(nullptr, 77, kModControl | kModAlt | kModShift, VK_F9));  // free again
    ::UnregisterHotKey(nullptr, 77);
    App().mainWindow = nullptr;
  }
}
