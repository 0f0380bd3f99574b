// What real machines do to the running program: a scanner holding config.ini for a moment, a start
// from inside a temporary folder.
#include <gtest/gtest.h>

#include <memory>

#include "E2eSupport.h"
#include "TestSupport.h"
#include "config/StartupShortcut.h"

// Starts the program on a config.ini naming the old away action; start-up saves it rewritten once
// the settings are loaded.
static bool StartLoaded(std::unique_ptr<RunningProgram>& program, const std::wstring& path, const char* runAtStartup) {
  ForgetConfiguration();
  ::SHCreateDirectoryExW(nullptr, ConfigFolder().c_str(), nullptr);
  const std::string text = std::string("[General]\r\nRunAtStartup=") + runAtStartup + "\r\n[Hotkey]\r\nAction=AwayCurrent\r\n";
  if (!WriteBytes(ConfigFile(), ToBytes(text))) return false;
  program = std::make_unique<RunningProgram>(path);
  return program->WaitForWindow() != nullptr && WaitFor([] { return FileHas("Action=BlackCurrent"); });
}

TEST(RealWindows, ASaveWaitsForAConfigHeldOpenForAMoment) {
  std::unique_ptr<RunningProgram> program;
  ASSERT_TRUE(StartLoaded(program, ExecutableFolder() + L"\\umbraline.exe", "0"));
  {
    LockedFile scanner(ConfigFile());  // no sharing at all, delete sharing included
    ASSERT_TRUE(scanner.Held());
    PostCommand(FindMainWindow(), IDM_PREVENT_SLEEP);
    ::Sleep(250);
  }
  EXPECT_TRUE(WaitFor([] { return FileHas("SleepPrevent=1"); }));
  program.reset();
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
    std::unique_ptr<RunningProgram> program;
    ASSERT_TRUE(StartLoaded(program, copy, "1"));
    program.reset();
    EXPECT_EQ(PathExists(link), existing);
    EXPECT_EQ(ReadBytesOrEmpty(link), before);
  }
  ::DeleteFileW(link.c_str());
  ForgetConfiguration();
}
