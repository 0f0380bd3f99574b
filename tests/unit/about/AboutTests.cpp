#include <windows.h>

#include <gtest/gtest.h>

#include <cwchar>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "TestSupport.h"
#include "about/AboutWindow.h"

namespace {
// A clean App() for one test; a card left open is closed first.
struct CardScope {
  AppScope app;
  ~CardScope() {
    if (::IsWindow(App().aboutWindow)) ::DestroyWindow(App().aboutWindow);
    ::ReleaseCapture();
    PumpMessages(10);
  }
};

HWND OpenCardAt(POINT cursor) {
  ::SetCursorPos(cursor.x, cursor.y);
  PumpMessages(20);
  ShowAboutWindow();
  PumpMessages(30);
  return App().aboutWindow;
}

RECT WindowRect(HWND window) {
  RECT rect{};
  ::GetWindowRect(window, &rect);
  return rect;
}

// Sends a mouse-button event (or a key event when a key is given) through the input queue.
void Input(DWORD flags, WORD key = 0) {
  INPUT input{};
  input.type = key ? INPUT_KEYBOARD : INPUT_MOUSE;
  if (key) input.ki = {key, 0, flags, 0, 0};
  else input.mi.dwFlags = flags;
  ::SendInput(1, &input, sizeof input);
  PumpMessages(60);
}

TEST(AboutLayout, CardFollowsTheDpiAndStaysInsideTheWorkArea) {
  const RECT primary{0, 0, 1280, 770}, second{1280, 0, 2304, 738};
  const struct { POINT cursor; RECT work; UINT dpi; int left, width, height; } cases[] = {
      {{640, 100}, primary, 96, 380, 520, 200},  {{640, 100}, primary, 144, 250, 780, 300},
      {{3, 5}, primary, 96, 12, 520, 200},       {{3, 5}, primary, 144, 18, 780, 300},
      {{1279, 5}, primary, 96, 748, 520, 200},   {{1279, 5}, primary, 144, 482, 780, 300},
      {{2303, 5}, second, 96, 1772, 520, 200},   {{1281, 5}, second, 96, 1292, 520, 200}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.cursor.x << " at " << c.dpi);
    const RECT card = AboutCardRect(c.cursor, c.work, c.dpi);
    EXPECT_EQ(c.left, card.left);
    EXPECT_EQ(c.width, card.right - card.left);
    EXPECT_EQ(c.height, card.bottom - card.top);
    EXPECT_EQ(c.work.bottom - static_cast<int>(c.dpi) / 8, card.bottom);  // 12 px at 96 DPI
  }
  EXPECT_EQ(28, AboutFontStyleAt(AboutFont::Title, 96).cellHeight);
  EXPECT_EQ(42, AboutFontStyleAt(AboutFont::Title, 144).cellHeight);
}

TEST(AboutText, CreatedByMarkupLinksTheFirstMakerName) {
  const std::wstring link = std::wstring(L"<a href=\"") + kMakerPageUrl + L"\">kestov</a>";
  const struct { std::wstring text, expected; } cases[] = {
      {L"Created by kestov", L"Created by " + link}, {L"by kestov and kestov", L"by " + link + L" and kestov"},
      {L"Created by someone else", L"Created by someone else"}, {L"kest", L"kest"}, {L"", L""}};
  for (const auto& c : cases) EXPECT_EQ(c.expected, BuildCreatedByMarkup(c.text));
}

TEST(AboutText, VersionStringsFromTheExecutableAndFallbacks) {
  wchar_t path[MAX_PATH];
  ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  DWORD ignored = 0;
  std::vector<BYTE> block(::GetFileVersionInfoSizeW(path, &ignored));
  ASSERT_TRUE(!block.empty() && ::GetFileVersionInfoW(path, 0, static_cast<DWORD>(block.size()), block.data()));
  EXPECT_EQ(L"Umbraline", ReadVersionString(block.data(), L"ProductName"));
  EXPECT_EQ(L"1.01", ReadVersionString(block.data(), L"ProductVersion"));
  EXPECT_EQ(kFallbackLegalCopyright, ReadVersionString(block.data(), L"LegalCopyright"));  // the sign survives
  EXPECT_EQ(L"", ReadVersionString(block.data(), L"NoSuchKey"));
  EXPECT_EQ(L"Prevent sleep. Black overlay. Overlay clock. Keep active.", ReadAboutTexts().comments);

  // The same block with the version changed and the Comments and Note keys renamed: those two fall back.
  std::wstring_view all(reinterpret_cast<const wchar_t*>(block.data()), block.size() / sizeof(wchar_t));
  for (const auto& [from, to] : {std::pair{L"1.01", L"9.8.7"}, std::pair{L"Comments", L"Commentx"}, std::pair{L"Note", L"Notx"}})
    for (std::size_t at = all.find(from); at != all.npos; at = all.find(from, at + 1))
      std::wmemcpy(reinterpret_cast<wchar_t*>(block.data()) + at, to, std::wcslen(to));
  const AboutTexts patched = AboutTextsFromBlock(block.data());
  EXPECT_EQ(L"9.8.7", patched.productVersion);
  EXPECT_EQ(kFallbackComments, patched.comments);
  EXPECT_EQ(kFallbackNote, patched.note);
  EXPECT_EQ(ReadVersionString(block.data(), L"ProductName"), patched.productName);
  const AboutTexts none = AboutTextsFromBlock(nullptr);
  EXPECT_EQ(std::vector<std::wstring>({kFallbackProductName, kFallbackProductVersion, kFallbackComments,
                                       kFallbackLegalCopyright, kFallbackCreatedBy, kFallbackNote}),
            std::vector<std::wstring>({none.productName, none.productVersion, none.comments, none.legalCopyright,
                                       none.createdBy, none.note}));
}

TEST(AboutWindow, OpenedTwiceIsOneCardThatReleasesItsObjectsWhenClosed) {
  CardScope scope;

  const HWND card = OpenCardAt({640, 400});
  ASSERT_NE(nullptr, card);
  ShowAboutWindow();
  PumpMessages(20);
  EXPECT_EQ(card, App().aboutWindow);
  EXPECT_EQ(card, ::FindWindowW(kAboutWindowClass, nullptr));
  EXPECT_EQ(nullptr, ::FindWindowExW(nullptr, card, kAboutWindowClass, nullptr));
  MONITORINFO monitor{sizeof(monitor)};
  ::GetMonitorInfoW(::MonitorFromPoint({640, 400}, MONITOR_DEFAULTTONEAREST), &monitor);
  const RECT r = WindowRect(card);
  const LONG bottom = monitor.rcWork.bottom - 12;
  EXPECT_EQ((std::vector<LONG>{640 - 260, bottom - 200, 640 + 260, bottom}),
            (std::vector<LONG>{r.left, r.top, r.right, r.bottom}));

  const AboutWindowState* state = AboutStateOf(card);
  ASSERT_NE(nullptr, state);
  EXPECT_EQ(96u, state->dpi);
  const HGDIOBJ objects[] = {state->backgroundBrush.Get(), state->borderPen.Get(),    state->separatorPen.Get(),
                             state->titleFont.Get(),       state->versionFont.Get(),  state->commentsFont.Get(),
                             state->smallFont.Get()};
  for (HGDIOBJ object : objects) ASSERT_NE(0u, ::GetObjectType(object));
  const HICON icon = state->icon.Get();
  ::SendMessageW(card, WM_CLOSE, 0, 0);
  EXPECT_FALSE(::IsWindow(card));
  for (HGDIOBJ object : objects) EXPECT_EQ(0u, ::GetObjectType(object));
  ICONINFO info{};
  EXPECT_FALSE(::GetIconInfo(icon, &info));
}

TEST(AboutWindow, ClickClosesButAMoveOfFourPixelsDragsIt) {
  for (const int move : {0, 3, 4}) {
    SCOPED_TRACE(move);
    CardScope scope;
    const HWND card = OpenCardAt({640, 400});
    ASSERT_NE(nullptr, card);
    const RECT before = WindowRect(card);
    const POINT start{before.left + 5, before.top + 150};  // a blank spot of the card
    ::SetCursorPos(start.x, start.y);
    PumpMessages(20);
    Input(MOUSEEVENTF_LEFTDOWN);
    ASSERT_EQ(card, ::GetCapture());
    if (move != 0) {
      ::SetCursorPos(start.x + move, start.y);
      ::SendMessageW(card, WM_MOUSEMOVE, MK_LBUTTON, 0);
    }
    Input(MOUSEEVENTF_LEFTUP);
    EXPECT_EQ(move >= 4, ::IsWindow(card) != FALSE);
    if (move >= 4) {
      EXPECT_EQ(before.left + move, WindowRect(card).left);
      EXPECT_EQ(before.top, WindowRect(card).top);
    }
  }
}

TEST(AboutWindow, EnterAndEscClose) {
  for (const WORD key : {VK_RETURN, VK_ESCAPE}) {
    CardScope scope;
    const HWND card = OpenCardAt({640, 400});
    ASSERT_EQ(card, ::GetForegroundWindow()) << key;
    Input(0, key);
    Input(KEYEVENTF_KEYUP, key);
    EXPECT_FALSE(::IsWindow(card)) << key;
    EXPECT_EQ(nullptr, App().aboutWindow) << key;
  }
}

}  // namespace
