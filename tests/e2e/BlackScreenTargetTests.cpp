// The black screen over other and chosen monitors, driven from outside as a script and the user do it. The program
// the user works in (a window of this test, under the cursor on the primary monitor) keeps the foreground.
#include "E2eSupport.h"  // windows.h first
#include <gtest/gtest.h>

struct BlackScreenTargets : testing::Test {
  static void SetUpTestSuite() {  // the hotkey covers the other monitors
    WriteConfig(kPlainConfig + "[Hotkey]\r\nAction=BlackOthers\r\n");
    program = std::make_unique<RunningProgram>();
    program->WaitForWindow();
  }
  static void TearDownTestSuite() { program.reset(); }
  void SetUp() override {
    ASSERT_TRUE(program->Running() && MoveCursor(kOnPrimary) && ::SetForegroundWindow(mine.Get()));
  }
  static inline std::unique_ptr<RunningProgram> program;
  const WindowHandle mine{::CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 100, 100, 50, 50, 0, 0, 0, 0)};
};

TEST_F(BlackScreenTargets, OtherMonitorsLeaveTheUsersWindowItsKeyboardUntilAClickOnThem) {
  ASSERT_TRUE(RunCall(L"--black-screen others").code == 0 && WaitForOverlays({kSecondMonitor}));
  EXPECT_TRUE(SendKeys({VK_ESCAPE}) && Pause() && OverlaysCover({kSecondMonitor}));
  EXPECT_EQ(::GetForegroundWindow(), mine.Get());
  ASSERT_TRUE(MoveCursor(kOnSecond) && SendInputs({{INPUT_MOUSE, {.mi = {.dwFlags = MOUSEEVENTF_LEFTDOWN}}},
                                                   {INPUT_MOUSE, {.mi = {.dwFlags = MOUSEEVENTF_LEFTUP}}}}));
  EXPECT_TRUE(Pause(600) && SendKeys({VK_ESCAPE}) && WaitForOverlays({}));
}

TEST_F(BlackScreenTargets, MonitorNumbersCoverTheirMonitorsAndTheSameSetAgainLeavesThemOpen) {
  for (const auto& [monitors, covers] : std::initializer_list<std::pair<const wchar_t*, std::vector<RECT>>>{
           {L"2", {kSecondMonitor}}, {L"1", {kPrimaryMonitor}}, {L"1,2", {kPrimaryMonitor, kSecondMonitor}}})
    EXPECT_TRUE(RunCall(L"--black-screen " + std::wstring(monitors)).code == 0 && WaitForOverlays(covers));
  const std::vector<HWND> open = OverlayWindows();
  EXPECT_TRUE(RunCall(L"--black-screen 2,1").code == 0 && Pause() && OverlayWindows() == open);
  EXPECT_EQ(RunCall(L"--black-screen off").code, 0u);
}

TEST_F(BlackScreenTargets, TheHotkeyReplacesChosenMonitorsByTheOtherMonitorsThenClosesThem) {
  ASSERT_TRUE(RunCall(L"--black-screen 1,2").code == 0 && WaitForOverlays({kPrimaryMonitor, kSecondMonitor}));
  EXPECT_TRUE(Hotkey() && WaitForOverlays({kSecondMonitor}));
  EXPECT_TRUE(Hotkey() && WaitForOverlays({}));
}
