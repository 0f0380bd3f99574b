#include "app/Commands.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include <vector>

#include "AppTestSupport.h"
#include "app/Messages.h"
#include "app/SystemSeams.h"
#include "config/ConfigLoad.h"
#include "overlay/Overlay.h"

namespace {

const char kConfig[] =
    "[General]\r\nSleepPrevent=0\r\nKeepActive=0\r\nRunAtStartup=0\r\n; keep me\r\n"
    "[Hotkey]\r\nAction=BlackCurrent\r\nToggleHotkey=VK_V\r\n[Overlay]\r\nClockDisplay=Time\r\n";

std::vector<EXECUTION_STATE> g_states;
EXECUTION_STATE WINAPI RecordState(EXECUTION_STATE state) {
  g_states.push_back(state);
  return ES_CONTINUOUS;
}

struct ShellCall {
  HWND owner;
  std::wstring verb;
  std::wstring file;
  bool noParameters;
  bool noDirectory;
  INT show;
};
std::vector<ShellCall> g_shellCalls;
HINSTANCE WINAPI RecordShell(HWND owner, LPCWSTR verb, LPCWSTR file, LPCWSTR parameters, LPCWSTR directory, INT show) {
  g_shellCalls.push_back({owner, verb ? verb : L"", file ? file : L"", parameters == nullptr, directory == nullptr, show});
  return reinterpret_cast<HINSTANCE>(42);
}

// True when someone else holds the hotkey (our window's registration, for instance).
bool HotkeyTaken(UINT modifiers, UINT key) {
  if (::RegisterHotKey(nullptr, 0x7F00, modifiers, key)) {
    ::UnregisterHotKey(nullptr, 0x7F00);
    return false;
  }
  return true;
}

class CommandsTest : public testing::Test {
 protected:
  void SetUp() override {
    g_states.clear();
    g_shellCalls.clear();
    seams_->setThreadExecutionState = RecordState;
    seams_->shellExecute = RecordShell;
    window_ = app_.MakeMainWindow();
    ASSERT_NE(window_, nullptr);
    LoadConfig();
    ASSERT_EQ(App().settings.Action, OverlayAction::BlackCurrent);
  }
  bool FileHas(const char* line) const { return app_.ConfigText().find(line) != std::string::npos; }

  AppScope app_{kConfig};
  ScopedSeams seams_;
  HWND window_ = nullptr;
};

}  // namespace

TEST_F(CommandsTest, PreventSleepTogglesStateFileAndExecutionState) {
  HandleCommand(IDM_PREVENT_SLEEP);
  EXPECT_TRUE(App().settings.SleepPrevent);
  EXPECT_TRUE(FileHas("SleepPrevent=1"));
  HandleCommand(IDM_PREVENT_SLEEP);
  EXPECT_FALSE(App().settings.SleepPrevent);
  EXPECT_TRUE(FileHas("SleepPrevent=0"));
  EXPECT_EQ(g_states, (std::vector<EXECUTION_STATE>{0x80000003, 0x80000000}));
}

TEST_F(CommandsTest, KeepRunningStartsTheTimer) {
  HandleCommand(IDM_KEEP_ACTIVE);
  EXPECT_TRUE(App().settings.KeepActive);
  EXPECT_TRUE(FileHas("KeepActive=1"));
  EXPECT_TRUE(::KillTimer(window_, TIMER_KEEPACTIVE));
}

TEST_F(CommandsTest, HotkeyPresetsSaveThenRegister) {
  struct Case {
    WORD command;
    UINT key;
    const char* line;
  };
  const Case cases[] = {
      {IDM_HOTKEY_CTRL_ALT_B, 'B', "ToggleHotkey=VK_B"}, {IDM_HOTKEY_CTRL_ALT_Q, 'Q', "ToggleHotkey=VK_Q"},
      {IDM_HOTKEY_CTRL_ALT_S, 'S', "ToggleHotkey=VK_S"}, {IDM_HOTKEY_CTRL_ALT_M, 'M', "ToggleHotkey=VK_M"},
      {IDM_HOTKEY_CTRL_ALT_V, 'V', "ToggleHotkey=VK_V"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    HandleCommand(c.command);
    EXPECT_EQ(App().settings.ToggleHotkey, (HotkeySpec{kModControl | kModAlt, c.key}));
    EXPECT_TRUE(FileHas(c.line));
    EXPECT_TRUE(HotkeyTaken(MOD_CONTROL | MOD_ALT, c.key));
  }
  // Only the last preset stays registered.
  EXPECT_FALSE(HotkeyTaken(MOD_CONTROL | MOD_ALT, 'B'));
  HandleCommand(IDM_HOTKEY_DISABLED);
  EXPECT_EQ(App().settings.ToggleHotkey, (HotkeySpec{kModControl | kModAlt, 0}));
  EXPECT_TRUE(FileHas("ToggleHotkey=none"));
  EXPECT_FALSE(HotkeyTaken(MOD_CONTROL | MOD_ALT, 'V'));
  HandleCommand(IDM_HOTKEY_CTRL_ALT_V);
  EXPECT_TRUE(HotkeyTaken(MOD_CONTROL | MOD_ALT, 'V'));
}

TEST_F(CommandsTest, HotkeyHeldByAnotherProgramIsStillStored) {
  ASSERT_TRUE(::RegisterHotKey(nullptr, 0x7F01, MOD_CONTROL | MOD_ALT, 'Q'));
  HandleCommand(IDM_HOTKEY_CTRL_ALT_Q);
  EXPECT_EQ(App().settings.ToggleHotkey.virtualKey, static_cast<std::uint32_t>('Q'));
  EXPECT_TRUE(FileHas("ToggleHotkey=VK_Q"));
  ::UnregisterHotKey(nullptr, 0x7F01);
}

TEST_F(CommandsTest, ChoosingTheSelectedActionOrClockDoesNotWriteTheFile) {
  HandleCommand(IDM_ACTION_BLACK_CURRENT);
  HandleCommand(IDM_CLOCK_TIME);
  EXPECT_TRUE(FileHas("; keep me"));  // never rewritten
  HandleCommand(IDM_ACTION_BLACK_ALL);
  EXPECT_EQ(App().settings.Action, OverlayAction::BlackAll);
  EXPECT_TRUE(FileHas("Action=BlackAll"));
  EXPECT_FALSE(FileHas("; keep me"));
}

TEST_F(CommandsTest, ClockCommands) {
  const std::pair<WORD, ClockDisplayMode> cases[] = {
      {IDM_CLOCK_NONE, ClockDisplayMode::None},
      {IDM_CLOCK_ELAPSED, ClockDisplayMode::Elapsed},
      {IDM_CLOCK_TIME_AND_ELAPSED, ClockDisplayMode::TimeAndElapsed},
      {IDM_CLOCK_TIME, ClockDisplayMode::Time},
  };
  const char* lines[] = {"ClockDisplay=None", "ClockDisplay=Elapsed", "ClockDisplay=TimeAndElapsed", "ClockDisplay=Time"};
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    HandleCommand(cases[i].first);
    EXPECT_EQ(App().settings.ClockDisplay, cases[i].second);
    EXPECT_TRUE(FileHas(lines[i])) << lines[i];
  }
}

TEST_F(CommandsTest, ExitPostsClose) {
  HandleCommand(IDM_EXIT);
  EXPECT_TRUE(TakePosted(window_, WM_CLOSE));
}

TEST_F(CommandsTest, UnknownIdsAndTheHeaderDoNothing) {
  const std::string before = app_.ConfigText();
  for (WORD id : {IDM_HEADER_BLACK_SCREEN, static_cast<WORD>(1005), static_cast<WORD>(1029), static_cast<WORD>(0)})
    HandleCommand(id);
  EXPECT_EQ(app_.ConfigText(), before);
  EXPECT_FALSE(App().blackScreenActive);
  EXPECT_FALSE(TakePosted(window_, WM_CLOSE));
}

TEST_F(CommandsTest, EditConfigRecreatesTheFileAndOpensIt) {
  // The configured path is the real one under the roaming folder: remove the file first.
  App().configPath.clear();
  HandleCommand(IDM_EDIT_CONFIG);
  ASSERT_EQ(g_shellCalls.size(), 1u);
  EXPECT_FALSE(App().configPath.empty());
  EXPECT_EQ(g_shellCalls[0].owner, window_);
  EXPECT_EQ(g_shellCalls[0].verb, L"open");
  EXPECT_EQ(g_shellCalls[0].file, App().configPath);
  EXPECT_TRUE(g_shellCalls[0].noParameters);
  EXPECT_TRUE(g_shellCalls[0].noDirectory);
  EXPECT_EQ(g_shellCalls[0].show, SW_SHOWNORMAL);
  EXPECT_TRUE(PathExists(App().configPath));
  // Deleted while running: the next edit creates it again before opening it.
  ASSERT_TRUE(::DeleteFileW(App().configPath.c_str()));
  HandleCommand(IDM_EDIT_CONFIG);
  EXPECT_EQ(g_shellCalls.size(), 2u);
  EXPECT_TRUE(PathExists(App().configPath));
  ::DeleteFileW(App().configPath.c_str());
}

TEST_F(CommandsTest, RunAtStartupCreatesAndRemovesTheShortcut) {
  wchar_t* startup = nullptr;
  ASSERT_EQ(::SHGetKnownFolderPath(FOLDERID_Startup, 0, nullptr, &startup), S_OK);
  const std::wstring link = std::wstring(startup) + L"\\Umbraline.lnk";
  ::CoTaskMemFree(startup);
  HandleCommand(IDM_RUN_AT_STARTUP);
  EXPECT_TRUE(App().settings.RunAtStartup);
  EXPECT_TRUE(FileHas("RunAtStartup=1"));
  EXPECT_TRUE(PathExists(link));
  HandleCommand(IDM_RUN_AT_STARTUP);
  EXPECT_FALSE(App().settings.RunAtStartup);
  EXPECT_TRUE(FileHas("RunAtStartup=0"));
  EXPECT_FALSE(PathExists(link));
}

namespace {

int OverlayWindowCount() {
  int count = 0;
  ::EnumThreadWindows(
      ::GetCurrentThreadId(),
      [](HWND window, LPARAM counter) -> BOOL {
        wchar_t name[32] = {};
        ::GetClassNameW(window, name, 32);
        if (std::wstring(name) == L"UmbralineOverlay") ++*reinterpret_cast<int*>(counter);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&count));
  return count;
}

}  // namespace

TEST_F(CommandsTest, BlackScreenTogglesAndSwitchesTarget) {
  RegisterOverlayClass();
  ::SetCursorPos(100, 100);
  HandleCommand(IDM_BLACK_CURRENT);
  EXPECT_TRUE(App().blackScreenActive);
  EXPECT_EQ(App().blackScreenKind, OverlayTarget::Current);
  EXPECT_EQ(OverlayWindowCount(), 1);
  // The other kind replaces the windows: still exactly one set.
  HandleCommand(IDM_BLACK_ALL);
  EXPECT_EQ(App().blackScreenKind, OverlayTarget::All);
  EXPECT_EQ(OverlayWindowCount(), ::GetSystemMetrics(SM_CMONITORS));
  EXPECT_EQ(App().overlayWindows.size(), static_cast<std::size_t>(::GetSystemMetrics(SM_CMONITORS)));
  // The same kind again closes it.
  HandleCommand(IDM_BLACK_ALL);
  EXPECT_FALSE(App().blackScreenActive);
  EXPECT_EQ(OverlayWindowCount(), 0);
}

TEST_F(CommandsTest, BlackScreenMarkedOpenWithoutWindowsOpensAgain) {
  RegisterOverlayClass();
  ::SetCursorPos(100, 100);
  // As after an opening that produced no window.
  App().blackScreenActive = true;
  App().blackScreenKind = OverlayTarget::Current;
  EXPECT_TRUE(ToggleBlackScreen(OverlayTarget::Current));
  EXPECT_TRUE(App().blackScreenActive);
  EXPECT_EQ(OverlayWindowCount(), 1);
  CloseOverlays();
}

TEST_F(CommandsTest, HotkeyActionFollowsTheSetting) {
  RegisterOverlayClass();
  ::SetCursorPos(100, 100);
  App().settings.Action = OverlayAction::AwayAll;
  ::SendMessageW(window_, WM_HOTKEY, HOTKEY_ID_TOGGLE, 0);
  EXPECT_FALSE(App().blackScreenActive);
  App().settings.Action = OverlayAction::BlackCurrent;
  ::SendMessageW(window_, WM_HOTKEY, HOTKEY_ID_TOGGLE, 0);
  EXPECT_TRUE(App().blackScreenActive);
  EXPECT_EQ(OverlayWindowCount(), 1);
  ::SendMessageW(window_, WM_HOTKEY, HOTKEY_ID_TOGGLE, 0);
  EXPECT_FALSE(App().blackScreenActive);
  EXPECT_EQ(OverlayWindowCount(), 0);
}
