// What real machines do to the running program: a scanner holding config.ini for a moment, a start
// from inside a temporary folder.
#include <gtest/gtest.h>

#include "E2eSupport.h"
#include "config/ConfigTestSupport.h"
#include "config/StartupShortcut.h"

namespace {
bool WriteStartConfig(bool runAtStartup) {
  ForgetConfiguration();
  ::SHCreateDirectoryExW(nullptr, ConfigFolder().c_str(), nullptr);
  return WriteBytes(ConfigFile(), ToBytes(std::string("[General]\r\nRunAtStartup=") + (runAtStartup ? "1" : "0") +
                                          "\r\n[Hotkey]\r\nAction=AwayCurrent\r\n"));
}
// Start-up saves once when the file names the old away action: a sign that the settings were loaded.
bool Loaded(RunningProgram& program) {
  return program.WaitForWindow() != nullptr && WaitFor([] { return FileHas("Action=BlackCurrent"); });
}
}  // namespace

TEST(RealWindows, ASaveWaitsForAConfigHeldOpenForAMoment) {
  ASSERT_TRUE(WriteStartConfig(false));
  RunningProgram program;
  ASSERT_TRUE(Loaded(program));
  {
    LockedFile scanner(ConfigFile());  // no sharing at all, delete sharing included
    ASSERT_TRUE(scanner.Held());
    PostCommand(FindMainWindow(), IDM_PREVENT_SLEEP);
    ::Sleep(250);
  }
  EXPECT_TRUE(WaitFor([] { return FileHas("SleepPrevent=1"); }));
  program.Stop();
  ForgetConfiguration();
}

TEST(RealWindows, ACopyRunFromTheTemporaryFolderLeavesTheStartupShortcutAlone) {
  TempFolder temporary;
  const std::wstring copy = temporary.File(L"umbraline.exe"), link = StartupShortcutPath();
  ASSERT_TRUE(::CopyFileW((ExecutableFolder() + L"\\umbraline.exe").c_str(), copy.c_str(), FALSE));
  for (const bool existing : {false, true}) {
    SCOPED_TRACE(existing);
    ::DeleteFileW(link.c_str());
    ASSERT_TRUE(!existing || UpdateStartupShortcut(true));  // a link to this test program stays as it is
    const Bytes before = ReadBytesOrEmpty(link);
    ASSERT_TRUE(WriteStartConfig(true));
    {
      RunningProgram program(copy);
      ASSERT_TRUE(Loaded(program));
    }
    EXPECT_EQ(PathExists(link), existing);
    EXPECT_EQ(ReadBytesOrEmpty(link), before);
  }
  ::DeleteFileW(link.c_str());
  ForgetConfiguration();
}
