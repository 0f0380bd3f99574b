// Started by tests/package/unpack-and-start.sh with the executable of the unpacked release zip.
#include <gtest/gtest.h>

#include "E2eSupport.h"

TEST(Package, StartsFromTheUnpackedFolder) {
  wchar_t exe[MAX_PATH] = {};
  if (::GetEnvironmentVariableW(L"UMBRALINE_PACKAGED_EXE", exe, MAX_PATH) == 0) GTEST_SKIP() << "run by the script";
  ForgetConfiguration();
  RunningProgram program(exe);
  HWND window = program.WaitForWindow();
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(WaitFor([] { return FileHas("Action=BlackCurrent"); }));  // the first run's save
  PostCommand(window, IDM_PREVENT_SLEEP);
  EXPECT_TRUE(WaitFor([] { return FileHas("SleepPrevent=1"); }));
  PostCommand(window, IDM_EXIT);
  EXPECT_EQ(program.WaitForExit(), 0u);
  ForgetConfiguration();
}
