// The shell is called inside a COM apartment that is undone afterwards (the maker's link, "Edit
// config.ini"); the link marks the click before the call; the card's tooltip goes with the card.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "about/AboutWindow.h"
#include "app/Commands.h"
#include "base/SystemSeams.h"

namespace {
std::vector<std::wstring> calls;  // "file" and what held during the call

bool InApartment() {
  APTTYPE type{};
  APTTYPEQUALIFIER qualifier{};
  return SUCCEEDED(::CoGetApartmentType(&type, &qualifier)) && (type == APTTYPE_STA || type == APTTYPE_MAINSTA);
}

TEST(ShellCalls, MadeInAnApartmentThatIsUndoneAfterwards) {
  AppScope app;
  ConfigScope config;
  ScopedSeams seams;
  seams->shellExecute = [](HWND, LPCWSTR, LPCWSTR file, LPCWSTR, LPCWSTR, INT) {
    const AboutWindowState* card = AboutStateOf(App().aboutWindow);
    calls.push_back(std::wstring(file) + (InApartment() ? L" apartment" : L"") +
                    (card && card->linkActivated ? L" marked" : L""));
    return reinterpret_cast<HINSTANCE>(42);
  };
  ASSERT_FALSE(InApartment());
  HandleCommand(IDM_EDIT_CONFIG);
  EXPECT_FALSE(InApartment());
  ShowAboutWindow();
  const HWND card = App().aboutWindow;
  ASSERT_NE(AboutStateOf(card), nullptr);
  // Under Wine the thread's first window puts it into an apartment already (its input method does), so
  // only the call without a window above shows the apartment being made and undone.
  const bool before = InApartment();
  NMLINK link{};
  link.hdr = {AboutStateOf(card)->linkControl, 0, NM_CLICK};
  ::SendMessageW(card, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&link));
  EXPECT_EQ(InApartment(), before);
  EXPECT_EQ(calls, (std::vector<std::wstring>{config.File() + L" apartment",
                                              std::wstring(kMakerPageUrl) + L" apartment marked"}));

  // Windows destroys the owned tooltip before the card's WM_DESTROY; the card destroys nothing at
  // that handle value, which by then may name another window.
  const HWND tooltip = AboutStateOf(card)->tooltipWindow;
  ASSERT_TRUE(::IsWindow(tooltip));
  const WindowHandle stranger(::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 9, 9, nullptr, nullptr, nullptr, nullptr));
  AboutStateOf(card)->tooltipWindow = stranger.Get();
  ::SendMessageW(card, WM_CLOSE, 0, 0);
  EXPECT_FALSE(::IsWindow(card) || ::IsWindow(tooltip));
  EXPECT_TRUE(::IsWindow(stranger.Get()));
}

}  // namespace
