// Copies of the program started from elsewhere: from the temporary folder, as a zip opened in Explorer
// runs it, and from the unpacked release zip (by tests/package/unpack-and-start.sh).
#include <gtest/gtest.h>

#include "E2eSupport.h"
#include "config/StartupShortcut.h"

// With Run at startup on, neither start-up nor the reload at the menu's opening retargets a Startup
// shortcut that points elsewhere or creates one to the copy.
TEST(RealWindows, ACopyRunFromTheTemporaryFolderLeavesTheStartupShortcutAlone) {
  TempFolder temporary;
  const std::wstring copy = temporary.File(L"umbraline.exe"), link = StartupShortcutPath();
  ASSERT_TRUE(::CopyFileW((ExecutableFolder() + L"\\umbraline.exe").c_str(), copy.c_str(), FALSE));
  ASSERT_TRUE(UpdateStartupShortcut(true) && (ForgetConfiguration(), WriteConfig("[General]\r\nRunAtStartup=1\r\n")));
  const Bytes before = ReadBytesOrEmpty(link);  // a link to this test program
  RunningProgram program(copy);
  const HWND window = program.WaitForWindow();
  ASSERT_TRUE(window && WaitFor(ToggleHotkeyTaken));  // the settings loaded
  EXPECT_EQ(ReadBytesOrEmpty(link), before);
  ASSERT_TRUE(::DeleteFileW(link.c_str()) && ::PostMessageW(window, WM_SHOWTRAYMENU, 0, 0));
  ASSERT_TRUE(WaitFor([] { return FindVisibleMenu() != nullptr; }));
  EXPECT_FALSE(PathExists(link));
  PressKey(FindVisibleMenu(), VK_ESCAPE);
}

TEST(Package, StartsFromTheUnpackedFolder) {
  wchar_t exe[MAX_PATH] = {};
  if (::GetEnvironmentVariableW(L"UMBRALINE_PACKAGED_EXE", exe, MAX_PATH) == 0) GTEST_SKIP() << "run by the script";
  ForgetConfiguration();
  RunningProgram program(exe);
  const HWND window = program.WaitForWindow();
  EXPECT_TRUE(window && WaitFor([] { return FileHas("Action=BlackCurrent"); }));  // the first run's save
  EXPECT_TRUE(PostCommand(window, IDM_EXIT) && program.WaitForExit() == 0);
}
