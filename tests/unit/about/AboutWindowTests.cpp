#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "AboutTestSupport.h"
#include "about/AboutWindow.h"
#include "app/SystemSeams.h"

namespace {
int Width(const RECT& r) { return r.right - r.left; }
int Height(const RECT& r) { return r.bottom - r.top; }

RECT WindowRect(HWND window) {
  RECT rect{};
  ::GetWindowRect(window, &rect);
  return rect;
}

RECT WorkAreaAt(POINT point) {
  MONITORINFO info{};
  info.cbSize = sizeof info;
  ::GetMonitorInfoW(::MonitorFromPoint(point, MONITOR_DEFAULTTONEAREST), &info);
  return info.rcWork;
}

// Puts the cursor somewhere and lets the window under it hear about it.
void MoveCursor(POINT point) {
  ::SetCursorPos(point.x, point.y);
  PumpMessages(20);
}

void Button(DWORD flags) {
  INPUT input{};
  input.type = INPUT_MOUSE;
  input.mi.dwFlags = flags;
  ::SendInput(1, &input, sizeof input);
  PumpMessages(60);
}

// Moves the cursor while the left button is held: the captured card gets the move.
void DragTo(HWND card, POINT point) {
  ::SetCursorPos(point.x, point.y);
  if (::IsWindow(card)) ::SendMessageW(card, WM_MOUSEMOVE, MK_LBUTTON, 0);
  PumpMessages(20);
}

std::vector<HWND> ThreadWindowsOfClass(const wchar_t* className) {
  struct Search {
    const wchar_t* name;
    std::vector<HWND> found;
  } search{className, {}};
  ::EnumThreadWindows(
      ::GetCurrentThreadId(),
      [](HWND window, LPARAM data) -> BOOL {
        auto* s = reinterpret_cast<Search*>(data);
        wchar_t name[64] = {};
        ::GetClassNameW(window, name, 64);
        if (::lstrcmpiW(name, s->name) == 0) s->found.push_back(window);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

std::vector<HWND> Children(HWND parent) {
  std::vector<HWND> children;
  for (HWND child = ::GetWindow(parent, GW_CHILD); child != nullptr; child = ::GetWindow(child, GW_HWNDNEXT))
    children.push_back(child);
  return children;
}

std::wstring ClassOf(HWND window) {
  wchar_t name[64] = {};
  ::GetClassNameW(window, name, 64);
  return name;
}

std::wstring TextOf(HWND window) {
  wchar_t text[256] = {};
  ::GetWindowTextW(window, text, 256);
  return text;
}

// The child's rectangle in its parent's client coordinates.
RECT ChildRect(HWND child) {
  RECT rect = WindowRect(child);
  ::MapWindowPoints(nullptr, ::GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

HWND TitleControl(HWND card) {
  for (HWND child : Children(card))
    if (::GetPropW(child, kAboutTitleProperty) != nullptr) return child;
  return nullptr;
}

LOGFONTW FontOf(HFONT font) {
  LOGFONTW logFont{};
  ::GetObjectW(font, sizeof logFont, &logFont);
  return logFont;
}

HWND OpenCardAt(POINT cursor) {
  MoveCursor(cursor);
  ShowAboutWindow();
  PumpMessages(30);
  return App().aboutWindow;
}

POINT CentreOf(const RECT& r) { return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }
}  // namespace

TEST(AboutWindow, OpenedTwiceIsOneCard) {
  AboutScope scope;
  HWND first = OpenCardAt(POINT{640, 400});
  ASSERT_NE(first, nullptr);
  ShowAboutWindow();
  PumpMessages(20);
  EXPECT_EQ(App().aboutWindow, first);
  EXPECT_EQ(ThreadWindowsOfClass(kAboutWindowClass).size(), 1u);
  EXPECT_TRUE(::IsWindowVisible(first));
  EXPECT_EQ(TextOf(first), L"About Umbraline");
  EXPECT_NE(::GetWindowLongPtrW(first, GWL_EXSTYLE) & WS_EX_TOOLWINDOW, 0);
  EXPECT_NE(::GetWindowLongPtrW(first, GWL_EXSTYLE) & WS_EX_LAYERED, 0);

  ::SendMessageW(first, WM_CLOSE, 0, 0);
  EXPECT_FALSE(::IsWindow(first));
  EXPECT_EQ(App().aboutWindow, nullptr);
  HWND second = OpenCardAt(POINT{640, 400});
  EXPECT_NE(second, nullptr);
  EXPECT_EQ(ThreadWindowsOfClass(kAboutWindowClass).size(), 1u);
}

TEST(AboutWindow, SitsAtTheBottomOfTheCursorsWorkArea) {
  enum class Edge { Centred, Left, Right };
  struct Case {
    const char* name;
    POINT cursor;
    Edge edge;
  };
  const Case cases[] = {
      {"middle of the primary monitor", {640, 100}, Edge::Centred},
      {"left edge", {2, 700}, Edge::Left},
      {"right edge of the primary monitor", {1278, 300}, Edge::Right},
      {"right edge of the second monitor", {2300, 10}, Edge::Right},
  };
  for (const Case& c : cases) {
    AboutScope scope;
    HWND card = OpenCardAt(c.cursor);
    ASSERT_NE(card, nullptr) << c.name;
    POINT cursor{};
    ::GetCursorPos(&cursor);
    ASSERT_EQ(cursor.x, c.cursor.x) << c.name;
    const RECT work = WorkAreaAt(c.cursor);
    const RECT rect = WindowRect(card);
    RECT client{};
    ::GetClientRect(card, &client);
    EXPECT_EQ(Width(rect), 520) << c.name;
    EXPECT_EQ(Height(rect), 200) << c.name;
    EXPECT_EQ(Width(client), 520) << c.name;
    EXPECT_EQ(Height(client), 200) << c.name;
    EXPECT_EQ(rect.bottom, work.bottom - 12) << c.name;
    switch (c.edge) {
      case Edge::Centred: EXPECT_EQ(rect.left, c.cursor.x - 260) << c.name; break;
      case Edge::Left: EXPECT_EQ(rect.left, work.left + 12) << c.name; break;
      case Edge::Right: EXPECT_EQ(rect.right, work.right - 12) << c.name; break;
    }
  }
}

TEST(AboutWindow, ShowsTheTextsAndLinesInTheirPlaces) {
  AboutScope scope;
  HWND card = OpenCardAt(POINT{640, 400});
  ASSERT_NE(card, nullptr);
  AboutWindowState* state = AboutStateOf(card);
  ASSERT_NE(state, nullptr);
  EXPECT_EQ(state->dpi, 96u);

  HWND title = TitleControl(card);
  ASSERT_NE(title, nullptr);
  EXPECT_EQ(TextOf(title), L"Umbraline");
  const RECT titleRect = ChildRect(title);
  const RECT expected = AboutElementRect(AboutElement::ProductName, 96);
  EXPECT_TRUE(::EqualRect(&titleRect, &expected));
  const LOGFONTW titleFont = FontOf(reinterpret_cast<HFONT>(::SendMessageW(title, WM_GETFONT, 0, 0)));
  EXPECT_EQ(titleFont.lfHeight, 28);
  EXPECT_EQ(titleFont.lfWeight, 650);
  EXPECT_STREQ(titleFont.lfFaceName, L"Segoe UI");

  std::vector<std::wstring> texts;
  HWND link = nullptr;
  int statics = 0;
  for (HWND child : Children(card)) {
    if (ClassOf(child) == L"SysLink") {
      link = child;
      continue;
    }
    ASSERT_EQ(::lstrcmpiW(ClassOf(child).c_str(), L"Static"), 0);
    ++statics;
    texts.push_back(TextOf(child));
    // Texts and the icon let clicks through to the card.
    EXPECT_EQ(::SendMessageW(child, WM_NCHITTEST, 0, MAKELPARAM(10, 10)), HTTRANSPARENT) << TextOf(child);
  }
  EXPECT_EQ(statics, 6);
  // The application icon at 64 x 64 in the icon control.
  ASSERT_TRUE(state->icon);
  HWND iconControl = ::GetWindow(card, GW_CHILD);
  EXPECT_EQ(reinterpret_cast<HICON>(::SendMessageW(iconControl, STM_GETIMAGE, IMAGE_ICON, 0)), state->icon.Get());
  const RECT iconRect = ChildRect(iconControl);
  const RECT iconExpected = AboutElementRect(AboutElement::Icon, 96);
  EXPECT_TRUE(::EqualRect(&iconRect, &iconExpected));
  const std::vector<std::wstring> wanted = {L"Version 1.0.0", L"Prevent sleep. Black overlay. Overlay clock. Keep active.",
                                            kFallbackLegalCopyright, kFallbackNote};
  for (const std::wstring& text : wanted)
    EXPECT_NE(std::find(texts.begin(), texts.end(), text), texts.end()) << text;

  ASSERT_NE(link, nullptr);
  EXPECT_EQ(link, state->linkControl);
  const RECT linkRect = ChildRect(link);
  const RECT linkExpected = AboutElementRect(AboutElement::CreatedBy, 96);
  EXPECT_TRUE(::EqualRect(&linkRect, &linkExpected));
  LITEM item{};
  item.mask = LIF_ITEMINDEX | LIF_URL;
  item.iLink = 0;
  ASSERT_TRUE(::SendMessageW(link, LM_GETITEM, 0, reinterpret_cast<LPARAM>(&item)));
  EXPECT_STREQ(item.szUrl, kMakerPageUrl);
  ASSERT_TRUE(state->tooltipWindow);
  EXPECT_EQ(::SendMessageW(state->tooltipWindow.Get(), TTM_GETTOOLCOUNT, 0, 0), 1);

  // Static texts are drawn in the card's colours on its white brush.
  HDC dc = ::GetDC(card);
  const LRESULT brush = ::SendMessageW(card, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(title));
  EXPECT_EQ(reinterpret_cast<HBRUSH>(brush), state->backgroundBrush.Get());
  EXPECT_EQ(::GetTextColor(dc), kAboutTitleTextColor);
  ::SendMessageW(card, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(link));
  EXPECT_EQ(::GetTextColor(dc), kAboutTextColor);
  EXPECT_EQ(::GetBkMode(dc), TRANSPARENT);
  ::ReleaseDC(card, dc);

  // After everything has painted, the card's brush is still alive and the lines are in place.
  ::RedrawWindow(card, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  PumpMessages(30);
  EXPECT_EQ(::GetObjectType(state->backgroundBrush.Get()), static_cast<DWORD>(OBJ_BRUSH));
  HDC window = ::GetDC(card);
  EXPECT_EQ(::GetPixel(window, 0, 0), kAboutBorderColor);
  EXPECT_EQ(::GetPixel(window, 519, 199), kAboutBorderColor);
  EXPECT_EQ(::GetPixel(window, 300, 94), kAboutSeparatorColor);
  EXPECT_EQ(::GetPixel(window, 300, 95), kAboutBackgroundColor);
  EXPECT_EQ(::GetPixel(window, 5, 150), kAboutBackgroundColor);
  EXPECT_EQ(::GetPixel(window, 500, 135), kAboutBackgroundColor);  // right of the link's text
  ::ReleaseDC(card, window);
}

TEST(AboutWindow, LaysOutAtTheDpiItWasCreatedFor) {
  AboutScope scope;
  ASSERT_TRUE(EnsureAboutWindowClass());
  const RECT work = WorkAreaAt(POINT{640, 400});
  const RECT card = AboutCardRect(POINT{640, 400}, work, 144);
  EXPECT_EQ(Width(card), 780);
  EXPECT_EQ(Height(card), 300);
  UINT dpi = 144;
  HWND window = ::CreateWindowExW(WS_EX_TOOLWINDOW, kAboutWindowClass, kAboutWindowTitle, WS_POPUP, card.left, card.top,
                                  Width(card), Height(card), nullptr, nullptr, ::GetModuleHandleW(nullptr), &dpi);
  ASSERT_NE(window, nullptr);
  AboutWindowState* state = AboutStateOf(window);
  ASSERT_NE(state, nullptr);
  EXPECT_EQ(state->dpi, 144u);
  EXPECT_EQ(FontOf(state->titleFont.Get()).lfHeight, 42);
  EXPECT_EQ(FontOf(state->smallFont.Get()).lfHeight, ScaleForDpi(15, 144));
  EXPECT_NE(FontOf(state->commentsFont.Get()).lfItalic, 0);
  HWND title = TitleControl(window);
  ASSERT_NE(title, nullptr);
  const RECT titleRect = ChildRect(title);
  const RECT expected = AboutElementRect(AboutElement::ProductName, 144);
  EXPECT_TRUE(::EqualRect(&titleRect, &expected));
  EXPECT_EQ(ChildRect(state->linkControl).top, ScaleForDpi(127, 144));
  ::DestroyWindow(window);
}

TEST(AboutWindow, ClickingAnywhereClosesButADragMovesIt) {
  struct Case {
    const char* name;
    int move;  // pixels to the right while the button is down
    bool stays;
  };
  const Case cases[] = {{"click", 0, false}, {"3 px", 3, false}, {"4 px", 4, true}};
  for (const Case& c : cases) {
    AboutScope scope;
    HWND card = OpenCardAt(POINT{640, 400});
    ASSERT_NE(card, nullptr) << c.name;
    const RECT before = WindowRect(card);
    // Press on the product name: the text lets the press through to the card.
    const POINT start = CentreOf(WindowRect(TitleControl(card)));
    MoveCursor(start);
    Button(MOUSEEVENTF_LEFTDOWN);
    ASSERT_TRUE(::IsWindow(card)) << c.name;
    EXPECT_EQ(::GetCapture(), card) << c.name;
    if (c.move != 0) DragTo(card, POINT{start.x + c.move, start.y});
    Button(MOUSEEVENTF_LEFTUP);
    EXPECT_EQ(::IsWindow(card) != FALSE, c.stays) << c.name;
    if (c.stays) {
      const RECT after = WindowRect(card);
      EXPECT_EQ(after.left, before.left + c.move) << c.name;
      EXPECT_EQ(after.top, before.top) << c.name;
      EXPECT_NE(::GetCapture(), card) << c.name;
    } else {
      EXPECT_EQ(App().aboutWindow, nullptr) << c.name;
    }
  }
}

TEST(AboutWindow, OtherKeysAndAStrayReleaseLeaveItOpen) {
  AboutScope scope;
  HWND card = OpenCardAt(POINT{640, 400});
  ASSERT_NE(card, nullptr);
  ::SendMessageW(card, WM_KEYDOWN, VK_SPACE, 0);
  ::SendMessageW(card, WM_KEYDOWN, 'A', 0);
  ::SendMessageW(card, WM_LBUTTONUP, 0, 0);  // no press before it
  ::SendMessageW(card, WM_MOUSEMOVE, MK_LBUTTON, 0);
  EXPECT_TRUE(::IsWindow(card));
  ::SendMessageW(card, WM_CLOSE, 0, 0);
  EXPECT_FALSE(::IsWindow(card));
  EXPECT_EQ(App().aboutWindow, nullptr);
}

TEST(AboutWindow, EscEnterAndTheOtherButtonsClose) {
  struct Case {
    const char* name;
    WORD key;         // a key pressed and released, or
    DWORD down, up;   // a mouse button pressed and released over the description text
  };
  const Case cases[] = {
      {"Esc", VK_ESCAPE, 0, 0},
      {"Enter", VK_RETURN, 0, 0},
      {"right button", 0, MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP},
      {"middle button", 0, MOUSEEVENTF_MIDDLEDOWN, MOUSEEVENTF_MIDDLEUP},
  };
  for (const Case& c : cases) {
    AboutScope scope;
    HWND card = OpenCardAt(POINT{640, 400});
    ASSERT_NE(card, nullptr) << c.name;
    if (c.key != 0) {
      ASSERT_EQ(::GetForegroundWindow(), card) << c.name;
      INPUT keys[2] = {};
      keys[0].type = keys[1].type = INPUT_KEYBOARD;
      keys[0].ki.wVk = keys[1].ki.wVk = c.key;
      keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
      ::SendInput(2, keys, sizeof keys[0]);
      PumpMessages(80);
    } else {
      RECT description = AboutElementRect(AboutElement::Description, 96);
      ::MapWindowPoints(card, nullptr, reinterpret_cast<POINT*>(&description), 2);
      MoveCursor(POINT{description.left + 20, description.top + 10});
      Button(c.down);
      Button(c.up);
    }
    EXPECT_FALSE(::IsWindow(card)) << c.name;
    EXPECT_EQ(App().aboutWindow, nullptr) << c.name;
  }
}

namespace {
struct OpenedAddress {
  static inline std::wstring verb;
  static inline std::wstring file;
  static inline int calls = 0;
  static HINSTANCE WINAPI Record(HWND, LPCWSTR v, LPCWSTR f, LPCWSTR, LPCWSTR, INT) {
    ++calls;
    verb = v != nullptr ? v : L"";
    file = f != nullptr ? f : L"";
    return reinterpret_cast<HINSTANCE>(static_cast<INT_PTR>(33));
  }
};
}  // namespace

TEST(AboutWindow, TheLinkOpensTheMakersPageAndKeepsTheCard) {
  AboutScope scope;
  ScopedSeams seams;
  seams->shellExecute = OpenedAddress::Record;
  OpenedAddress::calls = 0;
  HWND card = OpenCardAt(POINT{640, 400});
  ASSERT_NE(card, nullptr);
  HWND link = AboutStateOf(card)->linkControl;
  ASSERT_NE(link, nullptr);

  // Click on the maker's name: it follows "Created by " in the link's font.
  HDC dc = ::GetDC(link);
  HGDIOBJ previous = ::SelectObject(dc, reinterpret_cast<HFONT>(::SendMessageW(link, WM_GETFONT, 0, 0)));
  SIZE prefix{};
  ::GetTextExtentPoint32W(dc, L"Created by ", 11, &prefix);
  SIZE name{};
  ::GetTextExtentPoint32W(dc, L"kestov", 6, &name);
  ::SelectObject(dc, previous);
  ::ReleaseDC(link, dc);
  const RECT linkRect = WindowRect(link);
  MoveCursor(POINT{linkRect.left + prefix.cx + name.cx / 2, linkRect.top + name.cy / 2});
  Button(MOUSEEVENTF_LEFTDOWN);
  Button(MOUSEEVENTF_LEFTUP);

  EXPECT_EQ(OpenedAddress::calls, 1);
  EXPECT_EQ(OpenedAddress::verb, L"open");
  EXPECT_EQ(OpenedAddress::file, kMakerPageUrl);
  EXPECT_TRUE(::IsWindow(card));

  // A press on the card, then the link activated from the keyboard (an item without an address opens
  // the maker's page), then the release: the card stays open.
  ::SendMessageW(card, WM_LBUTTONDOWN, MK_LBUTTON, 0);
  NMLINK notice{};
  notice.hdr.hwndFrom = link;
  notice.hdr.code = NM_RETURN;
  ::SendMessageW(card, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&notice));
  EXPECT_EQ(OpenedAddress::calls, 2);
  EXPECT_EQ(OpenedAddress::file, kMakerPageUrl);
  ::SendMessageW(card, WM_LBUTTONUP, 0, 0);
  EXPECT_TRUE(::IsWindow(card));
  EXPECT_NE(::GetCapture(), card);

  // Notifications that do not come from the link open nothing.
  notice.hdr.hwndFrom = card;
  ::SendMessageW(card, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&notice));
  notice.hdr.hwndFrom = link;
  notice.hdr.code = NM_SETFOCUS;
  ::SendMessageW(card, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&notice));
  EXPECT_EQ(OpenedAddress::calls, 2);

  // Once the activation has been used up, a click closes the card again.
  ::SendMessageW(card, WM_LBUTTONDOWN, MK_LBUTTON, 0);
  ::SendMessageW(card, WM_LBUTTONUP, 0, 0);
  EXPECT_FALSE(::IsWindow(card));
}

TEST(AboutWindow, ReleasesEverythingWhenClosed) {
  AboutScope scope;
  // One open and close first, so that caches the system fills once do not count.
  ::SendMessageW(OpenCardAt(POINT{640, 400}), WM_CLOSE, 0, 0);
  const DWORD gdiBefore = ::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS);
  const DWORD userBefore = ::GetGuiResources(::GetCurrentProcess(), GR_USEROBJECTS);

  HWND card = OpenCardAt(POINT{640, 400});
  ASSERT_NE(card, nullptr);
  AboutWindowState* state = AboutStateOf(card);
  ASSERT_NE(state, nullptr);
  const HGDIOBJ objects[] = {state->backgroundBrush.Get(), state->borderPen.Get(), state->separatorPen.Get(),
                             state->titleFont.Get(),       state->versionFont.Get(), state->commentsFont.Get(),
                             state->smallFont.Get()};
  for (HGDIOBJ object : objects) ASSERT_NE(::GetObjectType(object), 0u) << object;
  const HICON icon = state->icon.Get();
  ASSERT_NE(icon, nullptr);
  const HWND tooltip = state->tooltipWindow.Get();
  ASSERT_TRUE(::IsWindow(tooltip));

  ::SendMessageW(card, WM_KEYDOWN, VK_ESCAPE, 0);
  ASSERT_FALSE(::IsWindow(card));
  for (HGDIOBJ object : objects) EXPECT_EQ(::GetObjectType(object), 0u);
  EXPECT_FALSE(::IsWindow(tooltip));
  ICONINFO info{};
  EXPECT_FALSE(::GetIconInfo(icon, &info));
  if (gdiBefore != 0) {
    EXPECT_EQ(::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS), gdiBefore);
  }
  if (userBefore != 0) {
    EXPECT_EQ(::GetGuiResources(::GetCurrentProcess(), GR_USEROBJECTS), userBefore);
  }
}
