// Started by tests/package/unpack-and-start.sh with the executable of the unpacked release zip.
#include <gtest/gtest.h>

#include "E2eSupport.h"

TEST(Package, StartsFromTheUnpackedFolder) {
  wchar_t exe[MAX_PATH] = {};
  if (::GetEnvironmentVariableW(L"UMBRALINE_PACKAGED_EXE", exe, MAX_PATH) == 0)
    GTEST_SKIP() << "run through tests/package/unpack-and-start.sh";
  ForgetConfiguration();
  RunningProgram program(exe);
  HWND window = program.WaitForWindow();
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(WaitFor([] { return PathExists(ConfigFile()); }));
  ::PostMessageW(window, WM_COMMAND, 1001, 0);
  EXPECT_TRUE(WaitFor([] { return FileText(ConfigFile()).find("SleepPrevent=1") != std::string::npos; }));
  ::PostMessageW(window, WM_COMMAND, 1007, 0);
  EXPECT_EQ(program.WaitForExit(), 0u);
  ForgetConfiguration();
}
