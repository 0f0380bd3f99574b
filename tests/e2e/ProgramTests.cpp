// The running program, driven from outside as a user or Windows would.
#include <gtest/gtest.h>

#include "E2eSupport.h"

namespace {

constexpr UINT kShowTrayMenu = WM_APP + 20;
constexpr WPARAM kPreventSleep = 1001;

class Program : public testing::Test {
 protected:
  void SetUp() override { ForgetConfiguration(); }
  void TearDown() override { ForgetConfiguration(); }
};

bool FileHas(const std::string& line) { return FileText(ConfigFile()).find(line) != std::string::npos; }

}  // namespace

TEST_F(Program, FirstRunCreatesTheConfigAndRewritesTheAwayAction) {
  RunningProgram program;
  ASSERT_NE(program.WaitForWindow(), nullptr);
  ASSERT_TRUE(WaitForConfigLine("Action=BlackCurrent"));
  const std::string text = FileText(ConfigFile());
  // The file came from the built-in default text and was saved once: mark, no comments, CR LF.
  EXPECT_EQ(text.rfind("\xEF\xBB\xBF[General]\r\n", 0), 0u);
  EXPECT_EQ(text.find(';'), std::string::npos);
  EXPECT_NE(text.find("FadeInDurationMs=120"), std::string::npos);
  EXPECT_NE(text.find("ToggleHotkey=VK_V"), std::string::npos);
}

TEST_F(Program, SecondStartExitsAndOpensTheMenuOfTheFirst) {
  RunningProgram first;
  ASSERT_NE(first.WaitForWindow(), nullptr);
  RunningProgram second;
  EXPECT_EQ(second.WaitForExit(), 0u);
  EXPECT_TRUE(first.Running());
  HWND menu = nullptr;
  ASSERT_TRUE(WaitFor([&] { return (menu = FindVisibleMenu()) != nullptr; }));
  PressKey(menu, VK_ESCAPE);
  EXPECT_TRUE(WaitFor([] { return FindVisibleMenu() == nullptr; }));
}

TEST_F(Program, PostedCommandsChangeTheFile) {
  RunningProgram program;
  HWND window = program.WaitForWindow();
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(WaitForConfigLine("Action=BlackCurrent"));
  struct Step {
    WPARAM command;
    const char* line;
  };
  const Step steps[] = {
      {kPreventSleep, "SleepPrevent=1"},  {1004, "KeepActive=1"},         {1022, "ToggleHotkey=VK_B"},
      {1020, "ToggleHotkey=none"},        {1010, "Action=BlackAll"},      {1032, "ClockDisplay=Elapsed"},
      {kPreventSleep, "SleepPrevent=0"},  {1004, "KeepActive=0"},         {1021, "ToggleHotkey=VK_V"},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.line);
    // Sent, not posted, so the file is read only once the save is over: under Wine an open handle of
    // another process makes the save's rename onto config.ini fail, and a reader polling the file
    // during the save loses it.
    DWORD_PTR result = 0;
    ASSERT_NE(::SendMessageTimeoutW(window, WM_COMMAND, step.command, 0, SMTO_NORMAL, 10000, &result), 0);
    EXPECT_TRUE(FileHas(step.line));
  }
}

TEST_F(Program, MenuAnsweredWithTheKeyboardRunsTheCommand) {
  RunningProgram program;
  HWND window = program.WaitForWindow();
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(WaitForConfigLine("Action=BlackCurrent"));
  ::PostMessageW(window, kShowTrayMenu, 0, 0);
  HWND menu = nullptr;
  ASSERT_TRUE(WaitFor([&] { return (menu = FindVisibleMenu()) != nullptr; }));
  // The first row is "Prevent sleep".
  PressKey(menu, VK_DOWN);
  PressKey(menu, VK_RETURN);
  EXPECT_TRUE(WaitForConfigLine("SleepPrevent=1"));
  EXPECT_TRUE(WaitFor([] { return FindVisibleMenu() == nullptr; }));
}

TEST_F(Program, GlobalHotkeyFromAnotherProcessOpensAndClosesTheBlackScreen) {
  RunningProgram program;
  ASSERT_NE(program.WaitForWindow(), nullptr);
  ASSERT_TRUE(WaitForConfigLine("Action=BlackCurrent"));
  ASSERT_TRUE(WaitFor(ToggleHotkeyTaken));  // registered a little after that first save
  auto press = [] {
    INPUT keys[6] = {};
    const WORD order[3] = {VK_CONTROL, VK_MENU, 'V'};
    for (int i = 0; i < 3; ++i) {
      keys[i].type = INPUT_KEYBOARD;
      keys[i].ki.wVk = order[i];
      keys[5 - i].type = INPUT_KEYBOARD;
      keys[5 - i].ki.wVk = order[i];
      keys[5 - i].ki.dwFlags = KEYEVENTF_KEYUP;
    }
    return ::SendInput(6, keys, sizeof(INPUT)) == 6;
  };
  ASSERT_TRUE(press());
  EXPECT_TRUE(WaitFor([] { return ::FindWindowW(L"UmbralineOverlay", nullptr) != nullptr; }));
  ASSERT_TRUE(press());
  EXPECT_TRUE(WaitFor([] { return ::FindWindowW(L"UmbralineOverlay", nullptr) == nullptr; }));
}

TEST_F(Program, ExitEndsWithCodeZero) {
  RunningProgram program;
  HWND window = program.WaitForWindow();
  ASSERT_NE(window, nullptr);
  ::PostMessageW(window, WM_COMMAND, 1007, 0);
  EXPECT_EQ(program.WaitForExit(), 0u);
  EXPECT_EQ(FindMainWindow(), nullptr);
}

TEST_F(Program, RunsOnDefaultsWhenTheConfigFolderCannotBeCreated) {
  ::CreateDirectoryW((RoamingFolder() + L"\\kestov").c_str(), nullptr);
  ASSERT_TRUE(WriteBytes(ConfigFolder(), ToBytes("a file where the folder should be")));
  RunningProgram program;
  HWND window = program.WaitForWindow();
  ASSERT_NE(window, nullptr);
  ::PostMessageW(window, WM_COMMAND, kPreventSleep, 0);
  ::Sleep(300);
  EXPECT_TRUE(program.Running());
  ::PostMessageW(window, WM_COMMAND, 1007, 0);
  EXPECT_EQ(program.WaitForExit(), 0u);
  ::DeleteFileW(ConfigFolder().c_str());
}
