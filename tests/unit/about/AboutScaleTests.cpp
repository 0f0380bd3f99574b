// The About card moved to a monitor of another scale, and in high contrast.
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "about/AboutWindow.h"
#include "base/SystemSeams.h"

static bool g_highContrast = false;

TEST(AboutCard, FollowsADpiChangeAndUsesSystemColoursInHighContrast) {
  AppScope app;
  ScopedSeams seams;
  seams->systemParametersInfo = [](UINT action, UINT size, PVOID data, UINT flags) -> BOOL {
    if (action != SPI_GETHIGHCONTRAST) return ::SystemParametersInfoW(action, size, data, flags);
    return static_cast<HIGHCONTRASTW*>(data)->dwFlags = g_highContrast ? HCF_HIGHCONTRASTON : 0, TRUE;
  };
  ShowAboutWindow();
  const AboutWindowState* state = AboutStateOf(App().aboutWindow);
  ASSERT_NE(state, nullptr);
  RECT suggested{100, 100, 880, 400}, now{};  // 780 x 300: the card at 150 %
  ::SendMessageW(App().aboutWindow, WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
  EXPECT_TRUE(::GetWindowRect(App().aboutWindow, &now) && ::EqualRect(&now, &suggested));
  LOGFONTW title{};
  EXPECT_TRUE(::GetObjectW(state->titleFont.Get(), sizeof title, &title) && title.lfHeight == 42);
  for (int i = 0; i < static_cast<int>(AboutElement::Count); ++i) {
    RECT box{};
    ::GetWindowRect(state->controls[i], &box);
    ::MapWindowPoints(nullptr, App().aboutWindow, reinterpret_cast<POINT*>(&box), 2);
    const RECT expected = AboutElementRect(static_cast<AboutElement>(i), 144);
    EXPECT_TRUE(::EqualRect(&box, &expected)) << i;
  }
  EXPECT_EQ(::SendMessageW(state->controls[1], WM_GETFONT, 0, 0), reinterpret_cast<LRESULT>(state->titleFont.Get()));
  MemoryDcHandle dc(::CreateCompatibleDC(nullptr));
  for (const bool on : {true, false}) {  // asked again at every paint
    g_highContrast = on;
    const LRESULT brush = ::SendMessageW(App().aboutWindow, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc.Get()),
                                         reinterpret_cast<LPARAM>(state->controls[6]));
    EXPECT_EQ(::GetTextColor(dc.Get()), on ? ::GetSysColor(COLOR_WINDOWTEXT) : kAboutTextColor);
    EXPECT_EQ(brush == reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_WINDOW)), on);
  }
  ::DestroyWindow(App().aboutWindow);
}
