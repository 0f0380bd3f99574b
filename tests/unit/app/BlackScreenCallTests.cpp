// The black screen's targets on the command line, in the status, the menu and the hotkey.
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "app/CommandLine.h"
#include "app/CommandLineCalls.h"
#include "app/Commands.h"
#include "base/Messages.h"
#include "config/ConfigLoad.h"
#include "tray/TrayMenu.h"

namespace {

std::vector<RECT> fakeMonitors;
BOOL WINAPI FakeMonitors(HDC, LPCRECT, MONITORENUMPROC proc, LPARAM data) {
  for (RECT r : fakeMonitors) proc(nullptr, nullptr, &r, data);
  return TRUE;
}

LRESULT Call(const std::wstring& line) {
  std::vector<std::wstring> arguments;
  for (std::size_t at = 0, end; at < line.size(); at = end + 1)
    arguments.push_back(line.substr(at, (end = std::min(line.find(L' ', at), line.size())) - at));
  const std::wstring data = EncodeCommandLineData(arguments);
  const COPYDATASTRUCT message{kCommandLineCopyDataTag, static_cast<DWORD>(data.size() * 2),
                               const_cast<wchar_t*>(data.data())};
  return AnswerCommandLineCall(&message);
}

}  // namespace

TEST(BlackScreenCall, MonitorNumbersAreStrictAndMustNameAMonitor) {
  const std::wstring form =
      L"--black-screen takes all, current, others, off, toggle or monitor numbers such as 2 or 1,3, not \"";
  const std::wstring once = L"--black-screen takes at most 16 monitor numbers, each once, not \"";
  std::wstring sixteen = L"1";
  for (int n = 2; n <= 16; ++n) sixteen += L"," + std::to_wstring(n);
  const struct { std::wstring word; std::size_t monitors; std::wstring result; } cases[] = {
      {L"2", 2, L"set 2"}, {L"3,1", 3, L"set 5"}, {L"10,2", 10, L"set 514"}, {sixteen, 16, L"set 65535"},
      {L"OTHERS", 2, L"others"},
      {L"1,,2", 2, form + L"1,,2\""}, {L"02", 2, form + L"02\""}, {L"0", 2, form + L"0\""}, {L"1,", 2, form + L"1,\""},
      {L",1", 2, form + L",1\""}, {L" 1", 2, form + L" 1\""}, {L"+1", 2, form + L"+1\""}, {L"1.5", 2, form + L"1.5\""},
      {L"3", 2, L"--black-screen takes monitor numbers 1 to 2, not \"3\""},
      {L"65", 70, L"--black-screen takes monitor numbers 1 to 64, not \"65\""},
      {L"99999999999999999999", 2, L"--black-screen takes monitor numbers 1 to 2, not \"99999999999999999999\""},
      {L"2,2", 2, once + L"2,2\""}, {sixteen + L",17", 20, once + sixteen + L",17\""},
      {L"others", 1, L"--black-screen others needs a second monitor"}};
  for (const auto& c : cases) {
    std::wstring error;
    const std::optional<CommandLineCall> call = ParseCommandLine({L"--black-screen", c.word}, &error, c.monitors);
    const bool others = call && call->blackScreen == BlackScreenWord::Others;
    EXPECT_EQ(!call ? error : others ? L"others" : L"set " + std::to_wstring(call->monitors), c.result) << c.word;
  }
}

TEST(BlackScreenCall, StatusNamesTheTargetAsTheCommandLineWouldAndListsTheMonitors) {
  const RECT monitors[] = {{-1280, -200, 0, 824}, {0, 0, 1920, 1080}, {1920, 0, 4480, 1440}};
  EXPECT_EQ(StatusLines({}, BlackScreenWord::Chosen, 0b101, monitors),
            L"prevent-sleep off\r\nkeep-active off\r\nblack-screen 1,3\r\nmonitor 1 -1280,-200 1280x1024\r\n"
            L"monitor 2 0,0 1920x1080 primary\r\nmonitor 3 1920,0 2560x1440\r\n");
  const std::pair<BlackScreenWord, const wchar_t*> words[] = {
      {BlackScreenWord::Others, L"others"}, {BlackScreenWord::Idle, L"idle"}, {BlackScreenWord::Off, L"off"}};
  for (const auto& [word, line] : words)
    EXPECT_TRUE(StatusLines({}, word).ends_with(L"\r\nblack-screen " + std::wstring(line) + L"\r\n")) << line;
}

// Calls open a target or leave the same one open; the hotkey's toggle (Action=BlackOthers) closes only its
// own. With one monitor, "Other monitors" is grey and does nothing from the menu, the hotkey and the call.
TEST(BlackScreenCall, OtherMonitorsNeedASecondMonitorAndCallsLeaveTheSameBlackScreenOpen) {
  AppScope app("[Hotkey]\r\nAction=BlackOthers\r\n[Overlay]\r\nFadeInDurationMs=0\r\nClockDisplay=None\r\n");
  ScopedSeams seams;
  seams->enumDisplayMonitors = FakeMonitors;
  ASSERT_NE(app.MakeMainWindow(), nullptr);
  LoadConfig();
  App().startupFinished = true;
  const auto grey = [] { return ::GetMenuState(BuildTrayMenu().Get(), IDM_BLACK_OTHERS, MF_BYCOMMAND) & MF_GRAYED; };
  fakeMonitors = {{0, 0, 1280, 800}};
  EXPECT_TRUE(grey());
  HandleCommand(IDM_BLACK_OTHERS), RunHotkeyAction();
  EXPECT_EQ(Call(L"--black-screen toggle"), kAnswerApplied);
  EXPECT_EQ(Call(L"--black-screen others"), kAnswerUsage);
  EXPECT_TRUE(App().overlayWindows.empty() && !App().blackScreenActive);

  fakeMonitors = {{0, 0, 1280, 800}, {1280, 0, 2304, 768}};  // the test screen
  EXPECT_FALSE(grey());
  ASSERT_TRUE(::SetCursorPos(300, 300));
  using enum BlackScreenWord;
  const struct { const wchar_t* word; BlackScreenWord status; std::uint64_t covered; bool same; } steps[] = {
      {L"toggle", Others, 0b10, false}, {L"others", Others, 0b10, true}, {L"2", Chosen, 0b10, false},
      {L"2", Chosen, 0b10, true},       {L"2,1", Chosen, 0b11, false},   {L"toggle", Others, 0b10, false},
      {L"toggle", Off, 0, false},       {L"3", Off, 0, false}};  // refused
  for (const auto& s : steps) {
    const HWND before = App().overlayWindows.empty() ? nullptr : App().overlayWindows.back().window.Get();
    const LRESULT answer = Call(L"--black-screen " + std::wstring(s.word));
    EXPECT_EQ(answer, *s.word == L'3' ? kAnswerUsage : kAnswerApplied) << s.word;
    const ProgramStatus status = CurrentProgramStatus();
    EXPECT_EQ(std::tuple(status.blackScreen, CoveredMonitors(), before && ::IsWindow(before)),
              std::tuple(s.status, s.covered, s.same)) << s.word;
    EXPECT_EQ(status.monitors, s.status == Chosen ? s.covered : 0) << s.word;
  }
}
