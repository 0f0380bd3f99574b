// The black screen's targets on the command line, the menu and the hotkey.
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "app/Commands.h"
#include "base/Messages.h"

TEST(BlackScreenCall, MonitorNumbersAreStrictAndMustNameAMonitor) {
  const std::wstring form = L"takes all, current, others, off, toggle or monitor numbers such as 2 or 1,3, not \"";
  const std::wstring once = L"takes at most 16 monitor numbers, each once, not \"", to = L"takes monitor numbers 1 to ";
  const std::wstring sixteen = L"1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16", huge = L"99999999999999999999";
  // word|monitors; the set, the error, or "-" for the form's
  // clang-format off
  const std::pair<std::wstring, std::wstring> cases[] = {
      {L"2|2", L"2"}, {L"3,1|3", L"5"}, {L"10,2|10", L"514"}, {sixteen + L"|16", L"65535"}, {L"OTHERS|2", L"0"},
      {L"3|2", to + L"2, not \"3\""}, {L"65|70", to + L"64, not \"65\""}, {L"2,2|2", once + L"2,2\""},
      {huge + L"|2", to + L"2, not \"" + huge + L"\""}, {sixteen + L",17|20", once + sixteen + L",17\""},
      {L"others|1", L"others needs a second monitor"}, {L"1,,2|2", L"-"}, {L"02|2", L"-"}, {L"0|2", L"-"},
      {L"1,|2", L"-"}, {L",1|2", L"-"}, {L" 1|2", L"-"}, {L"+1|2", L"-"}, {L"1.5|2", L"-"}};
  // clang-format on
  for (const auto& [given, result] : cases) {
    std::wstring error, word = given.substr(0, given.find(L'|'));
    const auto call = ParseCommandLine({L"--black-screen", word}, &error, std::stoul(given.substr(word.size() + 1)));
    const std::wstring got = call ? std::to_wstring(call->monitors) : error.substr(std::size(L"--black-screen"));
    EXPECT_EQ(got, result == L"-" ? form + word + L"\"" : result) << word;
  }
}

// By the menu or the hotkey (0 here, set to other monitors), on two monitors: the same target again closes the open
// black screen, another replaces it.
TEST(BlackScreenCommands, TheSameTargetAgainClosesTheBlackScreenAndAnotherReplacesIt) {
  AppScope app("[Hotkey]\r\nAction=BlackOthers\r\n[Overlay]\r\nFadeInDurationMs=0\r\nClockDisplay=None\r\n");
  ScopedSeams seams;
  seams->enumDisplayMonitors = [](HDC, LPCRECT, MONITORENUMPROC f, LPARAM d) {
    for (RECT r : {RECT{0, 0, 1280, 800}, RECT{1280, 0, 2304, 768}}) f(nullptr, nullptr, &r, d);
    return TRUE;
  };
  app.MakeMainWindow();
  ASSERT_TRUE(::SetCursorPos(300, 300));  // on monitor 1
  // clang-format off
  const std::pair<WORD, int> steps[] = {{IDM_BLACK_CURRENT, 0b01}, {IDM_BLACK_ALL, 0b11}, {IDM_BLACK_ALL, 0},
      {0, 0b10}, {IDM_BLACK_CURRENT, 0b01}, {0, 0b10}, {0, 0}};  // the monitors covered after each
  // clang-format on
  for (const auto& [id, covered] : steps) {
    if (id != 0) HandleCommand(id);
    else RunHotkeyAction();
    EXPECT_EQ(App().overlayWindows.empty() ? 0 : CoveredMonitors(), covered) << &id - &steps[0].first;
  }
}
