#include "app/MainWindow.h"

#include <gtest/gtest.h>

#include "AppTestSupport.h"
#include "app/Messages.h"

TEST(TrayClickFilter, AcceptsReleasesAndSelectsAtMostEvery250Ms) {
  struct Case {
    std::uint32_t last;
    UINT event;
    std::uint32_t now;
    bool accepted;
  };
  const Case cases[] = {
      {0, WM_LBUTTONUP, 5, true},           // no click taken yet
      {0, WM_RBUTTONUP, 0x12345, true},
      {0, WM_CONTEXTMENU, 100, true},
      {0, NIN_SELECT, 100, true},
      {0, NIN_KEYSELECT, 100, true},
      {0, WM_LBUTTONDOWN, 100, false},
      {0, WM_MOUSEMOVE, 100, false},
      {0, WM_LBUTTONDBLCLK, 100, false},
      {0, WM_RBUTTONDOWN, 100, false},
      {0, NIN_BALLOONSHOW, 100, false},
      {1000, WM_LBUTTONUP, 1249, false},    // 249 ms later: swallowed
      {1000, WM_LBUTTONUP, 1250, true},     // 250 ms later: taken
      {0xFFFFFFF0u, WM_LBUTTONUP, 0xE9, false},  // 249 ms across the tick wrap
      {0xFFFFFFF0u, WM_LBUTTONUP, 0xEA, true},   // 250 ms across the tick wrap
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "case " << (&c - cases));
    App().lastTrayClickTick = c.last;
    EXPECT_EQ(AcceptTrayClick(c.event, c.now), c.accepted);
    EXPECT_EQ(App().lastTrayClickTick, c.accepted ? c.now : c.last);
  }
  App().lastTrayClickTick = 0;
}

TEST(MainWindow, TrayClickPostsTheMenuRequest) {
  AppScope app;
  HWND window = app.MakeMainWindow();
  ASSERT_NE(window, nullptr);
  ::SendMessageW(window, WM_TRAYICON, 0, WM_LBUTTONDOWN);
  EXPECT_FALSE(TakePosted(window, WM_SHOWTRAYMENU));
  ::SendMessageW(window, WM_TRAYICON, 0, WM_LBUTTONUP);
  EXPECT_TRUE(TakePosted(window, WM_SHOWTRAYMENU));
  ::SendMessageW(window, WM_TRAYICON, 0, WM_RBUTTONUP);  // right after: the second click of a double-click
  EXPECT_FALSE(TakePosted(window, WM_SHOWTRAYMENU));
}

TEST(MainWindow, HandledMessagesReturnZeroAndOthersGoToTheDefault) {
  AppScope app;
  HWND window = app.MakeMainWindow();
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(::SendMessageW(window, WM_SETTINGCHANGE, 0, 0), 0);
  EXPECT_EQ(::SendMessageW(window, WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>(L"Environment")), 0);
  EXPECT_EQ(::SendMessageW(window, WM_HOTKEY, 2, 0), 0);
  EXPECT_FALSE(App().blackScreenActive);
  EXPECT_EQ(::SendMessageW(window, WM_TIMER, 7, 0), 0);
  EXPECT_EQ(::SendMessageW(window, WM_ENTERIDLE, MSGF_MENU, 0), 0);
  // WM_GETTEXT is not ours: the default procedure answers with the title.
  wchar_t title[32] = {};
  EXPECT_EQ(::SendMessageW(window, WM_GETTEXT, 32, reinterpret_cast<LPARAM>(title)), 9);
  EXPECT_STREQ(title, L"Umbraline");
}

TEST(MainWindow, OverlayDismissalClearsTheMark) {
  AppScope app;
  App().blackScreenActive = true;
  OnOverlayDismissed();
  EXPECT_FALSE(App().blackScreenActive);
}

TEST(MainWindow, CloseRunsTheShutdownAndQuitsWithZero) {
  AppScope app;
  HWND window = app.MakeMainWindow();
  ASSERT_NE(window, nullptr);
  App().settings.ToggleHotkey = HotkeySpec{kModControl | kModAlt | kModShift, VK_F9};
  ASSERT_TRUE(::RegisterHotKey(window, HOTKEY_ID_TOGGLE, kModControl | kModAlt | kModShift, VK_F9));
  App().keepActiveTimerOn = true;
  ::SetTimer(window, TIMER_KEEPACTIVE, 60000, nullptr);
  for (UINT message : {static_cast<UINT>(WM_CLOSE), static_cast<UINT>(WM_ENDSESSION)}) {
    SCOPED_TRACE(message);
    if (!::IsWindow(window)) {
      window = app.MakeMainWindow();
      ASSERT_TRUE(::RegisterHotKey(window, HOTKEY_ID_TOGGLE, kModControl | kModAlt | kModShift, VK_F9));
    }
    ::SendMessageW(window, message, FALSE, 0);
    EXPECT_FALSE(::IsWindow(window));
    MSG quit{};
    ASSERT_TRUE(::PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(quit.wParam, 0u);
    // The hotkey is free again for anyone.
    EXPECT_TRUE(::RegisterHotKey(nullptr, 77, kModControl | kModAlt | kModShift, VK_F9));
    ::UnregisterHotKey(nullptr, 77);
    App().mainWindow = nullptr;
  }
}
