// The commands of the tray menu, a start-up entry disabled in Windows, the tray click filter, the end
// of the main window and what an elevated copy lets through.
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "app/Commands.h"
#include "base/Messages.h"
#include "config/ConfigLoad.h"
#include "config/StartupShortcut.h"
#include "tray/TrayMenu.h"

static Settings& S() { return App().settings; }
static bool HotkeyIs(UINT key) { return S().ToggleHotkey == HotkeySpec{kModControl | kModAlt, key}; }
static bool Held(UINT key) { return HotkeyTaken(MOD_CONTROL | MOD_ALT, key); }

TEST(Commands, EachCommandChangesItsSettingSavesAndApplies) {
  AppScope app("[General]\r\nSleepPrevent=0\r\nKeepActive=0\r\nRunAtStartup=0\r\n; keep me\r\n"
               "[Hotkey]\r\nAction=BlackCurrent\r\nToggleHotkey=VK_V\r\n[Overlay]\r\nClockDisplay=Time\r\n");
  StateSeams seams;
  ASSERT_NE(app.MakeMainWindow(), nullptr);
  LoadConfig();
  const struct {
    WORD id;
    const char* line;  // expected in the file
    bool (*applied)();
  } cases[] = {
      {IDM_ACTION_BLACK_CURRENT, "; keep me", [] { return S().Action == OverlayAction::BlackCurrent; }},  // no write
      {IDM_ACTION_BLACK_ALL, "Action=BlackAll", [] { return S().Action == OverlayAction::BlackAll; }},
      {IDM_KEEP_ACTIVE, "KeepActive=1", [] { return S().KeepActive && App().keepActiveTimerOn; }},
      {IDM_KEEP_ACTIVE, "KeepActive=0", [] { return !S().KeepActive && !App().keepActiveTimerOn; }},
      {IDM_HOTKEY_CTRL_ALT_B, "ToggleHotkey=VK_B", [] { return HotkeyIs('B') && Held('B'); }},
      {IDM_HOTKEY_CTRL_ALT_Q, "ToggleHotkey=VK_Q", [] { return HotkeyIs('Q') && !Held('B'); }},  // held elsewhere
      {IDM_HOTKEY_DISABLED, "ToggleHotkey=none", [] { return HotkeyIs(0); }},
      {IDM_HOTKEY_CTRL_ALT_V, "ToggleHotkey=VK_V", [] { return HotkeyIs('V') && Held('V'); }},
      {IDM_RUN_AT_STARTUP, "RunAtStartup=1", [] { return S().RunAtStartup && PathExists(StartupShortcutPath()); }},
      {IDM_RUN_AT_STARTUP, "RunAtStartup=0", [] { return !S().RunAtStartup && !PathExists(StartupShortcutPath()); }}};
  ASSERT_TRUE(::RegisterHotKey(nullptr, 0x7F01, MOD_CONTROL | MOD_ALT, 'Q'));
  for (const auto& c : cases) {
    HandleCommand(c.id);
    EXPECT_TRUE(c.applied() && app.ConfigText().find(c.line) != std::string::npos) << c.line;
  }
  ::UnregisterHotKey(nullptr, 0x7F01);
}

TEST(StartupApproval, AnOddFirstByteOfTheBinaryValueMeansDisabled) {
  const std::tuple<DWORD, Bytes, bool> cases[] = {{REG_BINARY, {2, 0}, false},   {REG_BINARY, {6}, false},
                                                  {REG_BINARY, {3, 0, 0}, true}, {REG_BINARY, {7}, true},
                                                  {REG_DWORD, {3}, false},       {REG_BINARY, {}, false}};
  for (const auto& [type, data, disabled] : cases)
    EXPECT_EQ(StartupApprovalDisabled(type, data), disabled) << data.size();
}

// Run at start-up in config.ini, a shortcut of the user's, and the entry disabled in Task Manager.
struct DisabledStartupEntry : testing::Test {
  void SetUp() override {
    const BYTE value[12] = {0x03, 0, 0, 0, 0x10, 0x20};  // under the tests' own key (PrivateUserFolders.cpp)
    ASSERT_FALSE(::RegSetKeyValueW(HKEY_CURRENT_USER, Seams().startupApprovedKey, L"Umbraline.lnk", 3, value, 12));
    ASSERT_TRUE(WriteBytes(link_, ToBytes("kept")));
    LoadConfig();
  }
  void TearDown() override { ::DeleteFileW(link_.c_str()); }
  AppScope app_{"[General]\r\nRunAtStartup=1\r\n"};
  const std::wstring link_ = StartupShortcutPath();
};

TEST_F(DisabledStartupEntry, IsShownOffWithTheShortcutAndTheSettingLeftAlone) {
  EXPECT_TRUE(ReadBytesOrEmpty(link_) == ToBytes("kept") && S().RunAtStartup);
  EXPECT_EQ(::GetMenuState(BuildTrayMenu().Get(), IDM_RUN_AT_STARTUP, MF_BYCOMMAND) & MF_CHECKED, 0u);
}

TEST_F(DisabledStartupEntry, IsTurnedOnByTheItemWithTheShortcutMadeAsAlways) {
  HandleCommand(IDM_RUN_AT_STARTUP);
  EXPECT_TRUE(!StartupDisabledInWindows() && S().RunAtStartup && ReadBytesOrEmpty(link_).size() > 4);
  EXPECT_NE(app_.ConfigText().find("RunAtStartup=1"), std::string::npos);
}

// A click or key opens the menu once: not again within 250 ms (a right click also sends WM_CONTEXTMENU).
TEST(MainWindow, TrayEventsOpenTheMenuOnceWithin250Ms) {
  const std::tuple<UINT, std::uint32_t, bool> events[] = {{WM_MOUSEMOVE, 100, false},   {WM_RBUTTONUP, 100, true},
                                                          {WM_CONTEXTMENU, 349, false}, {NIN_KEYSELECT, 350, true},
                                                          {WM_LBUTTONUP, 600, true},    {NIN_SELECT, 0xFFFFFFF0u, true},
                                                          {WM_CONTEXTMENU, 0x10, false}};
  for (const auto& [code, at, opens] : events) EXPECT_EQ(AcceptTrayClick(code, at), opens) << code << " at " << at;
}
