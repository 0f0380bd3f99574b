// The black screen over other and chosen monitors, driven from outside as a script and the user do it.
#include "E2eSupport.h"  // windows.h first
#include <gtest/gtest.h>

// Over the other monitor the program the user works in (here: a window of this test) keeps the keyboard,
// so Esc goes to it; a right click on the covered monitor closes it, and so does Esc once a click has
// activated it. Calls name monitors by number; a refused call changes nothing. The hotkey's
// Action=BlackOthers opens and closes it.
TEST(BlackScreenTargets, OtherAndChosenMonitorsFromCallsAndTheHotkey) {
  std::string config = kPlainConfig;
  config.replace(config.find("BlackCurrent"), 12, "BlackOthers");
  ASSERT_TRUE((::GetDesktopWindow(), ForgetConfiguration(), WriteConfig(config)));
  RunningProgram program;
  ASSERT_TRUE(program.WaitForWindow() && WaitFor([] { return HotkeyTaken(MOD_CONTROL | MOD_ALT, 'V'); }));
  const WindowHandle mine(
      ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 100, 100, 50, 50, nullptr, nullptr, nullptr, nullptr));
  ASSERT_TRUE(MoveCursor(kOnPrimary) && ::SetForegroundWindow(mine.Get()));
  EXPECT_EQ(RunCall(L"--black-screen others").code, 0u);
  EXPECT_TRUE(WaitForOverlays({kSecondMonitor}));
  EXPECT_EQ(::GetForegroundWindow(), mine.Get());
  const std::string status = RunCall(L"--status").out;
  EXPECT_TRUE(status.ends_with("\r\nblack-screen others\r\nmonitor 1 0,0 1280x800 primary\r\n"
                                "monitor 2 1280,0 1024x768\r\n")) << status;
  ASSERT_TRUE(SendKeys({VK_ESCAPE}));
  ::Sleep(300);
  EXPECT_TRUE(OverlaysCover({kSecondMonitor})) << "closed by an Esc typed into another window";
  ASSERT_TRUE(MoveCursor(kOnSecond) && SendMouse({MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP}));
  EXPECT_TRUE(WaitForOverlays({}));
  ASSERT_TRUE(MoveCursor(kOnPrimary) && ::SetForegroundWindow(mine.Get()));
  ASSERT_TRUE(RunCall(L"--black-screen others").code == 0u && WaitForOverlays({kSecondMonitor}));
  ASSERT_TRUE(MoveCursor(kOnSecond) && SendMouse({MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP}));
  ::Sleep(600);  // no double-click
  EXPECT_NE(::GetForegroundWindow(), mine.Get()) << "a click did not activate it";
  ASSERT_TRUE(SendKeys({VK_ESCAPE}));
  EXPECT_TRUE(WaitForOverlays({})) << "Esc after a click into it";

  const struct { const wchar_t* monitors; std::vector<RECT> covers; } calls[] = {
      {L"2", {kSecondMonitor}}, {L"1", {kPrimaryMonitor}}, {L"1,2", {kPrimaryMonitor, kSecondMonitor}}};
  for (const auto& c : calls) {
    EXPECT_EQ(RunCall(std::wstring(L"--black-screen ") + c.monitors).code, 0u);
    EXPECT_TRUE(WaitForOverlays(c.covers)) << Narrow(c.monitors);
  }
  for (const wchar_t* refused : {L"3", L"0", L"2,2"}) {
    const CallResult call = RunCall(std::wstring(L"--black-screen ") + refused);
    EXPECT_TRUE(call.code == 2u && call.err.starts_with("umbraline: --black-screen takes")) << call.code << call.err;
  }
  EXPECT_TRUE(OverlaysCover({kPrimaryMonitor, kSecondMonitor}));
  EXPECT_EQ(RunCall(L"--black-screen off").code, 0u);
  EXPECT_TRUE(WaitForOverlays({}));

  ASSERT_TRUE(MoveCursor(kOnPrimary) && SendKeys({VK_CONTROL, VK_MENU, 'V'}));
  EXPECT_TRUE(WaitForOverlays({kSecondMonitor}));
  ASSERT_TRUE(SendKeys({VK_CONTROL, VK_MENU, 'V'}));
  EXPECT_TRUE(WaitForOverlays({}));
}
