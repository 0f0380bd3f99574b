#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <string_view>
#include <thread>

#include "TestSupport.h"
#include "about/AboutWindow.h"
#include "app/Commands.h"

TEST(AboutTexts, TheCreatedByTextLinksTheFirstMakerName) {
  const std::wstring link = std::wstring(L"<a href=\"") + kMakerPageUrl + L"\">kestov</a>";
  EXPECT_EQ(BuildCreatedByMarkup(L"Created by kestov"), L"Created by " + link);
  EXPECT_EQ(BuildCreatedByMarkup(L"by kestov and kestov"), L"by " + link + L" and kestov");
  for (const std::wstring s : {L"Created by someone else", L"kest", L""}) EXPECT_EQ(BuildCreatedByMarkup(s), s);
}

static std::vector<std::wstring> AllTexts(const AboutTexts& t) {
  return {t.productName, t.productVersion, t.comments, t.legalCopyright, t.createdBy, t.note};
}

// The executable's block with the version changed and the Comments and Note keys renamed; no block at all.
TEST(AboutTexts, AreTakenFromTheVersionBlockAndEachMissingOneFallsBack) {
  wchar_t path[MAX_PATH];
  DWORD ignored = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::vector<BYTE> block(::GetFileVersionInfoSizeW(path, &ignored));
  ASSERT_TRUE(!block.empty() && ::GetFileVersionInfoW(path, 0, static_cast<DWORD>(block.size()), block.data()));
  std::wstring_view all(reinterpret_cast<const wchar_t*>(block.data()), block.size() / sizeof(wchar_t));
  for (const auto& [from, to] :
       {std::pair{L"1.01", L"9.8.7"}, std::pair{L"Comments", L"Commentx"}, std::pair{L"Note", L"Notx"}})
    for (std::size_t at = all.find(from); at != all.npos; at = all.find(from, at + 1))
      std::wmemcpy(reinterpret_cast<wchar_t*>(block.data()) + at, to, std::wcslen(to));
  EXPECT_EQ(
      AllTexts(AboutTextsFromBlock(block.data())),
      (std::vector<std::wstring>{L"Umbraline", L"9.8.7", kFallbackComments, L"\u00A9 2026 kestov. All rights reserved.",
                                 L"Created by kestov", kFallbackNote}));
  EXPECT_EQ(AllTexts(AboutTextsFromBlock(nullptr)),
            (std::vector<std::wstring>{kFallbackProductName, kFallbackProductVersion, kFallbackComments,
                                       kFallbackLegalCopyright, kFallbackCreatedBy, kFallbackNote}));
}

std::vector<std::wstring> calls;  // each shell call's file, and what held during it

bool InApartment() {
  APTTYPE type{};
  APTTYPEQUALIFIER qualifier{};
  return SUCCEEDED(::CoGetApartmentType(&type, &qualifier)) && (type == APTTYPE_STA || type == APTTYPE_MAINSTA);
}

class ShellCalls : public testing::Test {
 protected:
  ShellCalls() {
    calls.clear();
    seams->shellExecute = [](HWND, LPCWSTR, LPCWSTR file, LPCWSTR, LPCWSTR, INT) {
      const AboutWindowState* card = AboutStateOf(App().aboutWindow);
      calls.push_back(file + std::wstring(InApartment() ? L" apartment" : L"") +
                      (card && card->linkActivated ? L" marked" : L""));
      return reinterpret_cast<HINSTANCE>(42);
    };
    seams->systemParametersInfo = AnswerHighContrast;
  }
  AppScope app;
  ConfigScope config;
  ScopedSeams seams;
};

// A thread without windows (whose input method makes an apartment under Wine) is left without one.
TEST_F(ShellCalls, AreMadeInAnApartmentThatIsNotLeftBehind) {
  std::thread([] {
    HandleCommand(IDM_EDIT_CONFIG);
    EXPECT_FALSE(InApartment());
  }).join();
  EXPECT_EQ(calls, std::vector<std::wstring>{config.File() + L" apartment"});
}

class AboutCard : public ShellCalls {
 protected:
  void SetUp() override {
    ShowAboutWindow();
    card = App().aboutWindow;
    state = AboutStateOf(card);
    ASSERT_NE(state, nullptr);
  }
  void TearDown() override { ::DestroyWindow(card); }  // unless a test closed it
  HWND card = nullptr;
  AboutWindowState* state = nullptr;
};

TEST_F(AboutCard, ItsLinkOpensTheMakersPageInAnApartmentMarkedFirst) {
  NMLINK link{{state->linkControl, 0, NM_CLICK}};
  ::SendMessageW(card, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&link));
  EXPECT_EQ(calls, std::vector<std::wstring>{kMakerPageUrl + std::wstring(L" apartment marked")});
}

TEST_F(AboutCard, ADpiChangeTakesTheSuggestedPlaceAndScalesTheTitleAndEveryControl) {
  RECT suggested{100, 100, 880, 400}, now{};  // 780 x 300: the card at 150 %
  ::SendMessageW(card, WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
  EXPECT_TRUE(::GetWindowRect(card, &now) && ::EqualRect(&now, &suggested));
  LOGFONTW title{};
  EXPECT_TRUE(::GetObjectW(state->titleFont.Get(), sizeof title, &title) && title.lfHeight == 42);
  EXPECT_EQ(::SendMessageW(state->controls[1], WM_GETFONT, 0, 0), reinterpret_cast<LRESULT>(state->titleFont.Get()));
  for (int i = 0; i < static_cast<int>(AboutElement::Count); ++i) {
    RECT box{}, expected = AboutElementRect(static_cast<AboutElement>(i), 144);
    ::GetWindowRect(state->controls[i], &box);
    ::MapWindowPoints(nullptr, card, reinterpret_cast<POINT*>(&box), 2);
    EXPECT_TRUE(::EqualRect(&box, &expected)) << i;
  }
}

TEST_F(AboutCard, HighContrastIsAskedAgainAtEveryPaint) {
  MemoryDcHandle dc(::CreateCompatibleDC(nullptr));
  for (const bool on : {true, false}) {
    highContrast = on;
    const LRESULT brush = ::SendMessageW(card, WM_CTLCOLORSTATIC, WPARAM(dc.Get()), LPARAM(state->controls[6]));
    EXPECT_EQ(std::pair(::GetTextColor(dc.Get()), brush == LRESULT(::GetSysColorBrush(COLOR_WINDOW))),
              std::pair(on ? ::GetSysColor(COLOR_WINDOWTEXT) : kAboutTextColor, on));
  }
}

// Pressed on a blank spot, moved and released. Windows destroys the owned tooltip first; the card destroys nothing
// at a handle value now another's.
TEST_F(AboutCard, FourPixelsDragItAndThreeAreAClickThatClosesItAndDestroysNoWindowOfAnother) {
  const HWND tooltip = state->tooltipWindow;
  ASSERT_TRUE(::IsWindow(tooltip));
  const WindowHandle stranger(::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 9, 9, 0, 0, 0, 0));
  state->tooltipWindow = stranger.Get();
  for (const int move : {4, 3}) {
    RECT before{}, now{};
    ::GetWindowRect(card, &before);
    for (const UINT m : {WM_LBUTTONDOWN, WM_MOUSEMOVE, WM_LBUTTONUP}) {
      ::SetCursorPos(before.left + 5 + (m == WM_LBUTTONDOWN ? 0 : move), before.top + 150);
      ::SendMessageW(card, m, MK_LBUTTON, 0);
    }
    EXPECT_EQ(::GetWindowRect(card, &now) && now.left == before.left + 4 && now.top == before.top, move == 4);
  }
  EXPECT_FALSE(::IsWindow(card) || ::IsWindow(tooltip) || App().aboutWindow || !::IsWindow(stranger.Get()));
}
