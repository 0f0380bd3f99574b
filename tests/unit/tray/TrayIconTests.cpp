#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <string>

#include "app/AppState.h"
#include "app/Messages.h"
#include "tray/TrayIcon.h"
#include "tray/TraySupport.h"
#include "tray/UiLanguage.h"

namespace {

[[maybe_unused]] testing::Environment* const kTrayKeeper = testing::AddGlobalTestEnvironment(new TrayKeeperEnvironment);

const wchar_t kAllModesEnglish[] = L"Umbraline | Sleep prevent ON | Keep active ON | Black screen";

TEST(ComposeTrayTooltip, ListsTheModesThatAreOnInFixedOrder) {
  const struct {
    TrayModes modes;
    const wchar_t* expected;
  } cases[] = {
      {{false, false, false}, L"Umbraline"},
      {{true, false, false}, L"Umbraline | Sleep prevent ON"},
      {{false, true, false}, L"Umbraline | Keep active ON"},
      {{false, false, true}, L"Umbraline | Black screen"},
      {{true, true, false}, L"Umbraline | Sleep prevent ON | Keep active ON"},
      {{true, false, true}, L"Umbraline | Sleep prevent ON | Black screen"},
      {{false, true, true}, L"Umbraline | Keep active ON | Black screen"},
      {{true, true, true}, kAllModesEnglish},
  };
  for (const auto& c : cases) EXPECT_EQ(c.expected, ComposeTrayTooltip(c.modes, UiLanguage::English));
  EXPECT_EQ(60u, ComposeTrayTooltip({true, true, true}, UiLanguage::English).size());
}

TEST(ComposeTrayTooltip, AllLanguages) {
  const struct {
    UiLanguage language;
    const wchar_t* allModes;
  } cases[] = {
      {UiLanguage::Japanese,
       L"Umbraline | \u30B9\u30EA\u30FC\u30D7\u9632\u6B62ON | \u30A2\u30AF\u30C6\u30A3\u30D6\u88DC\u52A9ON | "
       L"\u9ED2\u753B\u9762\u4E2D"},
      {UiLanguage::English, kAllModesEnglish},
      {UiLanguage::Korean, L"Umbraline | \uC218\uBA74\uBC29\uC9C0 ON | \uD65C\uC131 \uC720\uC9C0 ON | \uD751\uD654\uBA74"},
      {UiLanguage::ChineseSimplified,
       L"Umbraline | \u9632\u6B62\u7761\u7720 ON | \u4FDD\u6301\u6D3B\u8DC3 ON | \u9ED1\u5C4F\u4E2D"},
      {UiLanguage::ChineseTraditional,
       L"Umbraline | \u9632\u6B62\u7761\u7720 ON | \u4FDD\u6301\u4F7F\u7528\u4E2D ON | \u9ED1\u5C4F\u4E2D"},
      {UiLanguage::French, L"Umbraline | Veille OFF | Actif ON | \u00C9cran noir"},
      {UiLanguage::Italian, L"Umbraline | Sospensione OFF | Attivo ON | Schermo nero"},
      {UiLanguage::German, L"Umbraline | Ruhezustand AUS | Aktiv ON | Schwarzbild"},
      {UiLanguage::Spanish, L"Umbraline | Suspensi\u00F3n OFF | Activo ON | Pantalla negra"},
      {static_cast<UiLanguage>(42), kAllModesEnglish},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.language));
    EXPECT_EQ(c.allModes, ComposeTrayTooltip({true, true, true}, c.language));
    EXPECT_LE(ComposeTrayTooltip({true, true, true}, c.language).size(), 60u);
    EXPECT_EQ(L"Umbraline", ComposeTrayTooltip({}, c.language));
  }
}

TEST(CopyTruncated, CutsToTheBufferAndKeepsSurrogatePairsWhole) {
  const std::wstring pair = L"\U0001F311";  // two UTF-16 code units
  const struct {
    std::wstring text;
    std::size_t capacity;
    std::wstring expected;
  } cases[] = {
      {L"Umbraline", 128, L"Umbraline"},
      {std::wstring(127, L'a'), 128, std::wstring(127, L'a')},
      {std::wstring(128, L'b'), 128, std::wstring(127, L'b')},
      {std::wstring(300, L'c'), 128, std::wstring(127, L'c')},
      {std::wstring(126, L'd') + pair, 128, std::wstring(126, L'd')},
      {std::wstring(125, L'e') + pair, 128, std::wstring(125, L'e') + pair},
      {L"abc", 1, L""},
      {L"", 8, L""},
  };
  for (const auto& c : cases) {
    std::wstring buffer(c.capacity + 4, L'#');
    CopyTruncated(buffer.data(), c.capacity, c.text);
    EXPECT_EQ(c.expected, std::wstring(buffer.c_str()));
    EXPECT_EQ(L'#', buffer[c.capacity]);  // nothing written past the buffer
  }
}

TEST(LoadTrayIconPicture, ModuleWithoutOurIconGetsTheStockIcon) {
  const TrayIconPicture picture = LoadTrayIconPicture(::GetModuleHandleW(L"kernel32.dll"));
  EXPECT_EQ(4, picture.attempt);
  EXPECT_FALSE(picture.owned);
  EXPECT_EQ(::LoadIconW(nullptr, IDI_APPLICATION), picture.Get());
  EXPECT_NE(nullptr, picture.Get());
}

// Whether the shell holds our icon: modifying an icon it does not know fails.
bool ShellHoldsIcon() {
  NOTIFYICONDATAW probe = App().trayIconData;
  probe.uFlags = NIF_TIP;
  return ::Shell_NotifyIconW(NIM_MODIFY, &probe) != FALSE;
}

TEST(TrayIcon, AddUpdateRemoveWithTheShell) {
  ScopedTrayState state;
  TestWindow window;
  ASSERT_NE(nullptr, window.Get());
  App().mainWindow = window.Get();
  App().settings.Language = L"en";

  ASSERT_TRUE(AddTrayIcon());
  const NOTIFYICONDATAW& data = App().trayIconData;
  EXPECT_TRUE(App().trayIconAdded);
  EXPECT_EQ(sizeof(NOTIFYICONDATAW), data.cbSize);
  EXPECT_EQ(window.Get(), data.hWnd);
  EXPECT_EQ(1u, data.uID);
  EXPECT_EQ(7u, data.uFlags);
  EXPECT_EQ(0x0401u, data.uCallbackMessage);
  EXPECT_NE(nullptr, data.hIcon);
  EXPECT_STREQ(L"Umbraline", data.szTip);
  EXPECT_TRUE(ShellHoldsIcon());

  App().settings.SleepPrevent = true;
  App().settings.KeepActive = true;
  App().overlayWindows.emplace_back();
  UpdateTrayTooltip();
  EXPECT_STREQ(kAllModesEnglish, data.szTip);
  EXPECT_EQ(7u, data.uFlags);

  // The overlay closed itself: the suffix goes with the next refresh.
  App().overlayWindows.clear();
  UpdateTrayTooltip();
  EXPECT_STREQ(L"Umbraline | Sleep prevent ON | Keep active ON", data.szTip);

  App().settings.Language = L"de";
  App().settings.SleepPrevent = false;
  UpdateTrayTooltip();
  EXPECT_STREQ(L"Umbraline | Aktiv ON", data.szTip);

  RemoveTrayIcon();
  EXPECT_FALSE(App().trayIconAdded);
  EXPECT_FALSE(ShellHoldsIcon());

  // A refresh while the icon is not in the notification area changes and sends nothing.
  App().settings.SleepPrevent = true;
  UpdateTrayTooltip();
  EXPECT_STREQ(L"Umbraline | Aktiv ON", data.szTip);
  EXPECT_FALSE(ShellHoldsIcon());
}

TEST(TrayIcon, ReAddKeepsTheIconAndTheLastTooltip) {
  ScopedTrayState state;
  TestWindow window;
  App().mainWindow = window.Get();
  App().settings.Language = L"fr";
  ASSERT_TRUE(AddTrayIcon());
  const HICON icon = App().trayIconData.hIcon;
  App().settings.KeepActive = true;
  UpdateTrayTooltip();

  // Explorer restarted: the shell forgot the icon and the main window re-adds it.
  ::Shell_NotifyIconW(NIM_DELETE, &App().trayIconData);
  ASSERT_FALSE(ShellHoldsIcon());
  App().trayIconAdded = false;
  ASSERT_TRUE(AddTrayIcon());
  EXPECT_TRUE(ShellHoldsIcon());
  EXPECT_EQ(icon, App().trayIconData.hIcon);
  EXPECT_STREQ(L"Umbraline | Actif ON", App().trayIconData.szTip);

  // Adding while added only modifies.
  EXPECT_TRUE(AddTrayIcon());
  EXPECT_TRUE(ShellHoldsIcon());
  RemoveTrayIcon();
  EXPECT_FALSE(ShellHoldsIcon());
}

TEST(TrayIcon, RefusedAddLeavesTheFlagFalse) {
  ScopedTrayState state;
  TestWindow window;
  App().mainWindow = window.Get();
  ASSERT_TRUE(AddTrayIcon());
  // A second record with the same window and id is refused by the shell.
  App().trayIconAdded = false;
  EXPECT_FALSE(AddTrayIcon());
  EXPECT_FALSE(App().trayIconAdded);
  App().trayIconAdded = true;  // the first one is still there: the scope deletes it
}

}  // namespace
