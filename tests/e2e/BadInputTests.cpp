// Bad files around it, and kills while it saves: the program keeps running, answers commands, shows no
// message box and never writes a wrong config.ini. (Files it cannot read at all are tried in process.)
#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <set>

#include "E2eSupport.h"
#include "config/IniDocument.h"

// A file it cannot write stays as it was; one it can holds the effect of a command that saves (Prevent
// sleep switched) with every other key as it was before that command.
TEST(BadInput, ProgramKeepsRunningAndNeverWritesAWrongFile) {
  const std::string readable =
      "[General]\r\nSleepPrevent=1\r\nKeepActive=1\r\nRunAtStartup=0\r\n[KeepActive]\r\nIdleThresholdSec=300\r\n"
      "CheckIntervalSec=30\r\nNudge=F15\r\n[Hotkey]\r\nAction=BlackAll\r\nToggleHotkey=VK_V\r\n[Overlay]\r\n"
      "FadeInDurationMs=0\r\nBadgeAlpha=200\r\nClockFontPt=20\r\nClockDisplay=Time\r\n[Custom]\r\nNote=kept as it is\r\n";
  Bytes truncated = BadgePicture();
  truncated.resize(truncated.size() / 2);
  const struct { const char* name; Bytes mode1, mode2; } cases[] = {  // both badges shown, when given
      {"config.ini held open without sharing"}, {"a file in place of the config folder (runs on defaults)"},
      {"config folder deleted while running"}, {"badges truncated and not PNG", truncated, ToBytes("No picture.\r\n")},
      {"a badge claiming 60000x60000 beside a good one", ReadBytesOrEmpty(SourcePath(L"tests/e2e/claims-60000x60000.png")),
       BadgePicture()}};
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(cases[i].name);
    ASSERT_TRUE((ForgetConfiguration(), WriteConfig(readable)));
    if (i == 1) RemoveTree(ConfigFolder()), WriteBytes(ConfigFolder(), ToBytes(readable));
    const std::wstring watched = i == 1 ? ConfigFolder() : ConfigFile();
    const Bytes start = ReadBytesOrEmpty(watched);
    std::optional<LockedFile> lock;
    BesideExecutable beside;
    ASSERT_TRUE(i != 0 || lock.emplace(watched).Held());
    ASSERT_TRUE(i < 3 || (beside.File(L"mode1.png", cases[i].mode1) && beside.File(L"mode2.png", cases[i].mode2)));
    RunningProgram program;
    const HWND window = program.WaitForWindow();
    ASSERT_NE(window, nullptr) << "the program did not start";
    if (i == 2) ForgetConfiguration();
    EXPECT_TRUE(OpenAndEsc(window, WM_COMMAND, IDM_BLACK_ALL, kOverlayWindowClass, 30000)) << "no black screen";
    const Bytes beforeSave = ReadBytesOrEmpty(ConfigFile());
    PostCommand(window, IDM_PREVENT_SLEEP);  // handled in order: saved once the black screen opens again
    EXPECT_TRUE(OpenAndEsc(window, WM_COMMAND, IDM_BLACK_ALL, kOverlayWindowClass, 30000)) << "no black screen";
    EXPECT_TRUE(program.Running() && WindowsOf(program.Id(), L"#32770").empty()) << "ended, or a message box";
    lock.reset();
    if (i < 2) {
      EXPECT_TRUE(ReadBytesOrEmpty(watched) == start) << "the file changed";
      continue;
    }
    IniDocument after(ConfigFile()), before(L"");
    ASSERT_TRUE(after.Load()) << "the saved file cannot be read";
    before.Parse(DecodeIniBytes(beforeSave.data(), beforeSave.size()));
    EXPECT_EQ(after.GetInt(L"General", L"SleepPrevent", -1), before.GetInt(L"General", L"SleepPrevent", 0) == 0);
    for (const auto& [section, keys] : before.Values())
      for (const auto& [key, value] : keys)
        EXPECT_TRUE(key == L"SleepPrevent" || after.GetString(section.c_str(), key.c_str(), L"-") == value) << Narrow(key);
  }
}

// Killed at random moments while it saves as fast as it can, the program leaves config.ini with one
// complete state, the one before or after some command: never a mix, nothing or no file.
TEST(KillDuringSave, FileIsAlwaysOneWholeState) {
  ForgetConfiguration();
  std::mt19937 random(7);
  std::pair<int, std::wstring> state{0, L"VK_V"};  // SleepPrevent, ToggleHotkey
  for (int round = 0; round < (LongTestMode() ? 200 : 6); ++round) {
    SCOPED_TRACE(testing::Message() << "kill " << round);
    RunningProgram program;
    const HWND window = program.WaitForWindow();
    ASSERT_TRUE(window && WaitFor([] { return FileHas("Action=BlackCurrent"); }));  // start-up has saved
    std::set<std::pair<int, std::wstring>> allowed{state};
    for (int i = 0, burst = 5 + static_cast<int>(random() % 40); i < burst; ++i) {
      const std::size_t pick = random() % 10;  // one of the five hotkey presets V, B, Q, S, M, or Prevent sleep
      pick < 5 ? void(state.second = std::wstring(L"VK_") + L"VBQSM"[pick]) : void(state.first ^= 1);
      PostCommand(window, pick < 5 ? static_cast<WORD>(IDM_HOTKEY_CTRL_ALT_V + pick) : IDM_PREVENT_SLEEP);
      allowed.insert(state);
    }
    ::Sleep(static_cast<DWORD>(random() % 60));
    ::TerminateProcess(program.process_, 9), program.Stop();
    IniDocument document(ConfigFile());
    ASSERT_TRUE(document.Load()) << "config.ini missing or empty";
    state = {document.GetInt(L"General", L"SleepPrevent", -1), document.GetString(L"Hotkey", L"ToggleHotkey", L"?")};
    ASSERT_TRUE(allowed.count(state)) << "config.ini holds a state no command produced";
    ASSERT_TRUE(document.HasKey(L"Overlay", L"FadeInDurationMs")) << "keys lost";
  }
}
