// The running program, driven from outside as a user or Windows would.
#include <gtest/gtest.h>

#include "E2eSupport.h"

// Unmanaged windows close at once under headless Wine, which otherwise waits about two seconds per
// window for a window manager. Read when a process starts (the desktop's first: hotkeys by SendInput
// get lost when it starts unmanaged, so it is started before); removed at the end of the run.
struct UnmanagedWindows : testing::Environment {
  void SetUp() override { ::GetDesktopWindow(), ::RegSetKeyValueW(HKEY_CURRENT_USER, kWineX11, L"Managed", REG_SZ, L"N", 4); }
  void TearDown() override { ::RegDeleteKeyValueW(HKEY_CURRENT_USER, kWineX11, L"Managed"); }
};
testing::Environment* const kUnmanagedWindows = testing::AddGlobalTestEnvironment(new UnmanagedWindows);

TEST(Program, FirstRunHotkeyCommandsMenuAndExit) {
  ForgetConfiguration();
  RunningProgram program;
  HWND window = program.WaitForWindow();
  ASSERT_NE(window, nullptr);
  // Created from the built-in text and saved once with the away action rewritten: mark, no comments.
  ASSERT_TRUE(WaitFor([] { return FileHas("Action=BlackCurrent"); }));
  const std::string text = ConfigText();
  EXPECT_EQ(text.rfind("\xEF\xBB\xBF[General]\r\n", 0), 0u);
  EXPECT_EQ(text.find(';'), std::string::npos);
  EXPECT_TRUE(FileHas("FadeInDurationMs=120") && FileHas("ToggleHotkey=VK_V"));
  // The global hotkey, as real input, opens and closes the black screen.
  for (const bool open : {true, false}) {
    ASSERT_TRUE(SendKeys({VK_CONTROL, VK_MENU, 'V'}));
    EXPECT_TRUE(WaitFor([&] { return WindowsOf(program.Id(), kOverlayWindowClass).empty() != open; })) << open;
  }
  PostCommand(window, IDM_CLOCK_ELAPSED);  // a command that saves
  EXPECT_TRUE(WaitFor([] { return FileHas("ClockDisplay=Elapsed"); }));
  // The tray menu answered with the keyboard: the first row is "Prevent sleep".
  ::PostMessageW(window, WM_SHOWTRAYMENU, 0, 0);
  HWND menu = nullptr;
  ASSERT_TRUE(WaitFor([&] { return (menu = FindVisibleMenu()) != nullptr; }));
  PressKey(menu, VK_DOWN);
  PressKey(menu, VK_RETURN);
  EXPECT_TRUE(WaitFor([] { return FileHas("SleepPrevent=1") && FindVisibleMenu() == nullptr; }));
  // Wine's stand-alone tray shows one child window per icon: ours goes away with the program.
  const auto icons = [] {
    int n = 0;
    HWND tray = ::FindWindowW(L"__winex11_standalone_tray", nullptr);
    for (HWND icon = nullptr; tray && (icon = ::FindWindowExW(tray, icon, L"__winex11_tray_icon", nullptr)); ++n) {}
    return n;
  };
  const int iconsBefore = icons();
  EXPECT_GE(iconsBefore, 1);
  PostCommand(window, IDM_EXIT);
  EXPECT_EQ(program.WaitForExit(), 0u);
  EXPECT_EQ(FindMainWindow(), nullptr);
  EXPECT_TRUE(WaitFor([&] { return icons() == iconsBefore - 1; }));
  ForgetConfiguration();
}

TEST(Program, SecondStartExitsAndOpensTheMenuOfTheFirst) {
  ForgetConfiguration();
  RunningProgram first;
  ASSERT_NE(first.WaitForWindow(), nullptr);
  EXPECT_EQ(RunningProgram().WaitForExit(), 0u);
  EXPECT_TRUE(first.Running());
  HWND menu = nullptr;
  ASSERT_TRUE(WaitFor([&] { return (menu = FindVisibleMenu()) != nullptr; }));
  PressKey(menu, VK_ESCAPE);
  EXPECT_TRUE(WaitFor([] { return FindVisibleMenu() == nullptr; }));
  ForgetConfiguration();
}
