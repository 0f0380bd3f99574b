// The program is killed at random moments while it saves as fast as it can: config.ini must always
// hold one complete state, the one before or after some command, never a mix or nothing.
#include <gtest/gtest.h>

#include <random>
#include <set>

#include "E2eSupport.h"
#include "config/IniDocument.h"

namespace {

// One observable state: the two settings the commands below change.
struct State {
  int sleepPrevent;
  std::wstring hotkey;
  bool operator<(const State& other) const {
    return sleepPrevent != other.sleepPrevent ? sleepPrevent < other.sleepPrevent : hotkey < other.hotkey;
  }
};

const WPARAM kPresets[] = {1022, 1023, 1024, 1025, 1021};
const wchar_t* const kPresetTexts[] = {L"VK_B", L"VK_Q", L"VK_S", L"VK_M", L"VK_V"};

}  // namespace

TEST(KillDuringSave, FileIsAlwaysOneWholeState) {
  ForgetConfiguration();
  const int kills = LongTestMode() ? 200 : 6;
  std::mt19937 random(7);
  State state{0, L"VK_V"};
  int commandsSent = 0;
  int sawTemporary = 0;
  for (int round = 0; round < kills; ++round) {
    SCOPED_TRACE(testing::Message() << "kill " << round);
    RunningProgram program;
    HWND window = program.WaitForWindow();
    ASSERT_NE(window, nullptr);
    // Wait until start-up has saved (the away action is rewritten on the first run).
    ASSERT_TRUE(WaitForConfigLine("Action=BlackCurrent"));

    // Every state the file may hold after this round: the one it starts from and one per command.
    std::set<State> allowed{state};
    const int burst = 5 + static_cast<int>(random() % 40);
    for (int i = 0; i < burst; ++i) {
      if (random() % 2) {
        state.sleepPrevent ^= 1;
        ::PostMessageW(window, WM_COMMAND, 1001, 0);
      } else {
        const std::size_t preset = random() % std::size(kPresets);
        state.hotkey = kPresetTexts[preset];
        ::PostMessageW(window, WM_COMMAND, kPresets[preset], 0);
      }
      allowed.insert(state);
      ++commandsSent;
    }
    ::Sleep(static_cast<DWORD>(random() % 60));
    ::TerminateProcess(program.Process(), 9);
    program.WaitForExit();
    program.Stop();

    IniDocument document(ConfigFile());
    ASSERT_TRUE(document.Load()) << "config.ini missing or empty";
    const State found{document.GetInt(L"General", L"SleepPrevent", -1),
                      document.GetString(L"Hotkey", L"ToggleHotkey", L"?")};
    ASSERT_TRUE(allowed.count(found)) << "config.ini holds a state no command produced";
    ASSERT_TRUE(document.HasKey(L"Overlay", L"FadeInDurationMs")) << "keys lost";
    if (PathExists(ConfigFile() + L".tmp")) ++sawTemporary;
    // The next round continues from what survived.
    state = found;
  }
  // A leftover temporary file is overwritten and removed by the next save.
  {
    RunningProgram program;
    HWND window = program.WaitForWindow();
    ASSERT_NE(window, nullptr);
    ::PostMessageW(window, WM_COMMAND, 1001, 0);
    EXPECT_TRUE(WaitFor([] { return !PathExists(ConfigFile() + L".tmp"); }));
  }
  std::printf("kill-during-save: %d kills, %d commands, %d leftover temporary files\n", kills, commandsSent,
              sawTemporary);
  ForgetConfiguration();
}
