// Killed at random moments while it saves as fast as it can, the program must leave config.ini with
// one complete state, the one before or after some command: never a mix, nothing or no file.
#include <gtest/gtest.h>

#include <random>
#include <set>

#include "E2eSupport.h"
#include "config/IniDocument.h"

TEST(KillDuringSave, FileIsAlwaysOneWholeState) {
  const wchar_t* const presets[] = {L"VK_V", L"VK_B", L"VK_Q", L"VK_S", L"VK_M"};  // IDM_HOTKEY_CTRL_ALT_V and on
  ForgetConfiguration();
  const int kills = LongTestMode() ? 200 : 6;
  std::mt19937 random(7);
  std::pair<int, std::wstring> state{0, L"VK_V"};  // SleepPrevent, ToggleHotkey
  for (int round = 0; round < kills; ++round) {
    SCOPED_TRACE(testing::Message() << "kill " << round);
    RunningProgram program;
    HWND window = program.WaitForWindow();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(WaitFor([] { return FileHas("Action=BlackCurrent"); }));  // start-up has saved
    std::set<std::pair<int, std::wstring>> allowed{state};
    for (int i = 0, burst = 5 + static_cast<int>(random() % 40); i < burst; ++i) {
      const std::size_t pick = random() % 10;
      if (pick < 5) state.second = presets[pick];
      else state.first ^= 1;
      PostCommand(window, pick < 5 ? static_cast<WORD>(IDM_HOTKEY_CTRL_ALT_V + pick) : IDM_PREVENT_SLEEP);
      allowed.insert(state);
    }
    ::Sleep(static_cast<DWORD>(random() % 60));
    ::TerminateProcess(program.process_, 9);
    program.Stop();
    IniDocument document(ConfigFile());
    ASSERT_TRUE(document.Load()) << "config.ini missing or empty";
    state = {document.GetInt(L"General", L"SleepPrevent", -1), document.GetString(L"Hotkey", L"ToggleHotkey", L"?")};
    ASSERT_TRUE(allowed.count(state)) << "config.ini holds a state no command produced";
    ASSERT_TRUE(document.HasKey(L"Overlay", L"FadeInDurationMs")) << "keys lost";
  }
  // A temporary file left behind is overwritten, then removed, by the next save.
  ASSERT_TRUE(WriteBytes(ConfigFile() + L".tmp", ToBytes("[General]\r\nSleepPrevent=7\r\n")));
  RunningProgram program;
  HWND window = program.WaitForWindow();
  ASSERT_NE(window, nullptr);
  PostCommand(window, IDM_PREVENT_SLEEP);
  EXPECT_TRUE(WaitFor([] { return !PathExists(ConfigFile() + L".tmp") && FileHas("FadeInDurationMs="); }));
  EXPECT_FALSE(FileHas("SleepPrevent=7"));
  program.Stop();
  ForgetConfiguration();
}
