// The About card on a monitor of another scale, and in high contrast.
#include <gtest/gtest.h>

#include "AppTestSupport.h"
#include "about/AboutWindow.h"
#include "app/SystemSeams.h"

static bool g_highContrast = false;

TEST(AboutCard, FollowsADpiChangeAndUsesSystemColoursInHighContrast) {
  AppScope app;
  ScopedSeams seams;
  seams->systemParametersInfo = [](UINT action, UINT size, PVOID data, UINT flags) -> BOOL {
    if (action != SPI_GETHIGHCONTRAST) return ::SystemParametersInfoW(action, size, data, flags);
    static_cast<HIGHCONTRASTW*>(data)->dwFlags = g_highContrast ? HCF_HIGHCONTRASTON : 0;
    return TRUE;
  };
  ::SetCursorPos(300, 300);
  ShowAboutWindow();
  const HWND card = App().aboutWindow;
  const AboutWindowState* state = AboutStateOf(card);
  ASSERT_NE(state, nullptr);
  // Dragged onto a monitor at 150 %: Windows suggests 780 x 300 pixels.
  RECT suggested{100, 100, 880, 400}, now{};
  ::SendMessageW(card, WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
  EXPECT_TRUE(::GetWindowRect(card, &now) && ::EqualRect(&now, &suggested));
  LOGFONTW title{};
  ASSERT_TRUE(::GetObjectW(state->titleFont.Get(), sizeof title, &title));
  EXPECT_EQ(title.lfHeight, 42);
  for (int i = 0; i < static_cast<int>(AboutElement::Count); ++i) {
    RECT box{};
    ASSERT_TRUE(::GetWindowRect(state->controls[i], &box)) << i;
    ::MapWindowPoints(nullptr, card, reinterpret_cast<POINT*>(&box), 2);
    const RECT expected = AboutElementRect(static_cast<AboutElement>(i), 144);
    EXPECT_TRUE(::EqualRect(&box, &expected)) << i;
  }
  const HWND productName = state->controls[static_cast<int>(AboutElement::ProductName)];
  EXPECT_EQ(::SendMessageW(productName, WM_GETFONT, 0, 0), reinterpret_cast<LRESULT>(state->titleFont.Get()));
  // The colours are asked for at every paint.
  MemoryDcHandle dc(::CreateCompatibleDC(nullptr));
  for (const bool on : {true, false}) {
    g_highContrast = on;
    const LRESULT brush = ::SendMessageW(card, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc.Get()),
                                         reinterpret_cast<LPARAM>(state->controls[static_cast<int>(AboutElement::Note)]));
    EXPECT_EQ(::GetTextColor(dc.Get()), on ? ::GetSysColor(COLOR_WINDOWTEXT) : kAboutTextColor);
    EXPECT_EQ(brush == reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_WINDOW)), on);
  }
  ::DestroyWindow(card);
}
