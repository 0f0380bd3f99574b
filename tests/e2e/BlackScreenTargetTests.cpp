// The black screen over other and chosen monitors, driven from outside as a script and the user do it.
#include "E2eSupport.h"  // windows.h first
#include <gtest/gtest.h>

// The program the user works in (a window of this test) keeps the foreground and its Esc; the hotkey toggles it.
TEST(BlackScreenTargets, OtherAndChosenMonitorsFromCallsAndTheHotkey) {
  ASSERT_TRUE((::GetDesktopWindow(), ForgetConfiguration(), WriteConfig(kPlainConfig)));
  RunningProgram program;  // the hotkey action set by its menu command
  ASSERT_TRUE(RunCommand(program.WaitForWindow(), IDM_ACTION_BLACK_OTHERS) && FileHas("Action=BlackOthers"));
  const WindowHandle mine(::CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 100, 100, 50, 50, 0, 0, 0, 0));
  for (const DWORD click : {MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_LEFTDOWN}) {
    ASSERT_TRUE(MoveCursor(kOnPrimary) && ::SetForegroundWindow(mine.Get()));
    ASSERT_TRUE(RunCall(L"--black-screen others").code == 0 && WaitForOverlays({kSecondMonitor}));
    EXPECT_EQ(::GetWindowLongW(OverlayWindows().at(0), GWL_EXSTYLE) & WS_EX_NOACTIVATE, 0);  // a click activates it
    EXPECT_TRUE(SendKeys({VK_ESCAPE}) && (::Sleep(300), OverlaysCover({kSecondMonitor})));
    EXPECT_TRUE(::GetForegroundWindow() == mine.Get() && MoveCursor(kOnSecond) && SendMouse({click, click * 2}));  // up
    EXPECT_TRUE((click == MOUSEEVENTF_RIGHTDOWN || (::Sleep(600), SendKeys({VK_ESCAPE}))) && WaitForOverlays({}));
  }
  for (const auto& [monitors, covers] : std::initializer_list<std::pair<const wchar_t*, std::vector<RECT>>>{
           {L"2", {kSecondMonitor}}, {L"1", {kPrimaryMonitor}}, {L"1,2", {kPrimaryMonitor, kSecondMonitor}}})
    EXPECT_TRUE(RunCall(L"--black-screen " + std::wstring(monitors)).code == 0 && WaitForOverlays(covers));
  const std::vector<HWND> open = OverlayWindows();
  EXPECT_TRUE(RunCall(L"--black-screen 2,1").code == 0 && (::Sleep(300), OverlayWindows() == open));  // left open
  for (const wchar_t* refused : {L"3", L"0", L"2,2"})  // usage errors that change nothing
    EXPECT_EQ(RunCall(L"--black-screen " + std::wstring(refused)).code, 2u) << Narrow(refused);
  ASSERT_TRUE(OverlaysCover({kPrimaryMonitor, kSecondMonitor}) && MoveCursor(kOnPrimary));  // the hotkey replaces them
  ASSERT_TRUE(SendKeys({VK_CONTROL, VK_MENU, 'V'}));
  EXPECT_TRUE(WaitForOverlays({kSecondMonitor}) && SendKeys({VK_CONTROL, VK_MENU, 'V'}) && WaitForOverlays({}));
}
