#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/AppState.h"
#include "app/Messages.h"
#include "tray/TrayMenu.h"
#include "tray/TraySupport.h"

namespace {

// Drives the tracked menu from a timer of this thread, which the menu's modal loop dispatches:
// each newly shown menu gets the next key sequence posted to its "#32768" window.
struct MenuDriver {
  std::vector<std::vector<WPARAM>> keys;  // one sequence per menu shown
  std::vector<RECT> shownAt;              // screen rectangle of each menu shown
  HMENU lastMenu = nullptr;
};
MenuDriver* driver = nullptr;

BOOL CALLBACK FindMenuWindow(HWND window, LPARAM result) {
  wchar_t name[16] = {};
  if (::GetClassNameW(window, name, 16) > 0 && std::wstring(name) == L"#32768" && ::IsWindowVisible(window)) {
    *reinterpret_cast<HWND*>(result) = window;
    return FALSE;
  }
  return TRUE;
}

void CALLBACK DriveMenu(HWND, UINT, UINT_PTR, DWORD) {
  HWND menuWindow = nullptr;
  ::EnumThreadWindows(::GetCurrentThreadId(), FindMenuWindow, reinterpret_cast<LPARAM>(&menuWindow));
  if (!menuWindow || !driver) return;
  const HMENU menu = reinterpret_cast<HMENU>(::SendMessageW(menuWindow, MN_GETHMENU, 0, 0));
  if (!menu || menu == driver->lastMenu) return;
  driver->lastMenu = menu;
  RECT rect{};
  ::GetWindowRect(menuWindow, &rect);
  const std::size_t index = driver->shownAt.size();
  driver->shownAt.push_back(rect);
  const std::vector<WPARAM> keys = index < driver->keys.size() ? driver->keys[index] : std::vector<WPARAM>{VK_ESCAPE};
  for (WPARAM key : keys) {
    ::PostMessageW(menuWindow, WM_KEYDOWN, key, 1);
    ::PostMessageW(menuWindow, WM_KEYUP, key, 0xC0000001);
  }
}

struct Posted {
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};
std::vector<Posted>* received = nullptr;

// The owner's window procedure: records what reaches it (the second menu's modal loop already
// dispatches what was posted after the first one).
LRESULT CALLBACK RecordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (received && (message == WM_NULL || message == WM_COMMAND)) received->push_back({message, wParam, lParam});
  return ::DefWindowProcW(window, message, wParam, lParam);
}

// Shows the tray menu owned by a test window, answering each menu with the next key sequence,
// and returns what was posted to the owner, in order.
std::vector<Posted> ShowAndAnswer(MenuDriver& d, TestWindow& owner) {
  std::vector<Posted> posted;
  received = &posted;
  const auto previousProc = ::SetWindowLongPtrW(owner.Get(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(RecordingProc));
  App().mainWindow = owner.Get();
  driver = &d;
  const UINT_PTR timer = ::SetTimer(nullptr, 0, 30, DriveMenu);
  ShowTrayMenu();
  ::KillTimer(nullptr, timer);
  driver = nullptr;
  MSG msg;
  while (::PeekMessageW(&msg, owner.Get(), 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
  ::SetWindowLongPtrW(owner.Get(), GWLP_WNDPROC, previousProc);
  received = nullptr;
  return posted;
}

class ShowTrayMenuTest : public testing::Test {
 protected:
  void SetUp() override {
    App().settings = Settings{};
    App().settings.Language = L"en";
    ::GetCursorPos(&savedCursor_);
    ::SetCursorPos(400, 500);
  }
  void TearDown() override { ::SetCursorPos(savedCursor_.x, savedCursor_.y); }

  ScopedTrayState state_;
  TestWindow owner_;
  POINT savedCursor_{};
};

TEST_F(ShowTrayMenuTest, ChosenItemIsPostedAsCommandAfterTheMenuIsGone) {
  MenuDriver d;
  d.keys = {{VK_DOWN, VK_DOWN, VK_RETURN}};  // the second row: "Keep running"
  const auto posted = ShowAndAnswer(d, owner_);
  ASSERT_EQ(1u, d.shownAt.size());
  ASSERT_EQ(2u, posted.size());
  EXPECT_EQ(static_cast<UINT>(WM_NULL), posted[0].message);
  EXPECT_EQ(0u, posted[0].wParam);
  EXPECT_EQ(0, posted[0].lParam);
  EXPECT_EQ(static_cast<UINT>(WM_COMMAND), posted[1].message);
  EXPECT_EQ(static_cast<WPARAM>(IDM_KEEP_ACTIVE), posted[1].wParam);
  EXPECT_EQ(0, posted[1].lParam);
}

TEST_F(ShowTrayMenuTest, MenuOpensWithItsBottomLeftCornerAtTheCursor) {
  MenuDriver d;
  d.keys = {{VK_ESCAPE}};
  ShowAndAnswer(d, owner_);
  ASSERT_EQ(1u, d.shownAt.size());
  EXPECT_EQ(400, d.shownAt[0].left);
  EXPECT_EQ(500, d.shownAt[0].bottom);
}

TEST_F(ShowTrayMenuTest, DismissedMenuPostsNoCommand) {
  MenuDriver d;
  d.keys = {{VK_ESCAPE}};
  const auto posted = ShowAndAnswer(d, owner_);
  ASSERT_EQ(1u, posted.size());
  EXPECT_EQ(static_cast<UINT>(WM_NULL), posted[0].message);
}

TEST_F(ShowTrayMenuTest, DarkHeaderReopensTheMenuAtTheSamePlaceAndDoesNothingElse) {
  App().darkMode = true;
  MenuDriver d;
  // Down selects "Prevent sleep", "Keep running", then skips the separator to the header.
  d.keys = {{VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN}, {VK_ESCAPE}};
  const auto posted = ShowAndAnswer(d, owner_);
  ASSERT_EQ(2u, d.shownAt.size());
  EXPECT_EQ(d.shownAt[0].left, d.shownAt[1].left);
  EXPECT_EQ(d.shownAt[0].bottom, d.shownAt[1].bottom);
  ASSERT_EQ(2u, posted.size());
  EXPECT_EQ(static_cast<UINT>(WM_NULL), posted[0].message);
  EXPECT_EQ(static_cast<UINT>(WM_NULL), posted[1].message);
}

TEST_F(ShowTrayMenuTest, ReopenedMenuStillChooses) {
  App().darkMode = true;
  MenuDriver d;
  d.keys = {{VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN}, {VK_DOWN, VK_RETURN}};
  const auto posted = ShowAndAnswer(d, owner_);
  ASSERT_EQ(2u, d.shownAt.size());
  ASSERT_EQ(3u, posted.size());
  EXPECT_EQ(static_cast<UINT>(WM_COMMAND), posted[2].message);
  EXPECT_EQ(static_cast<WPARAM>(IDM_PREVENT_SLEEP), posted[2].wParam);
}

}  // namespace
