// The black screen of the running program, seen from another process: which monitors it covers,
// what the screen shows, and which real inputs close it.
//
// Under the headless Wine server a layered window pushed with constant alpha 0 shows what lies
// below it and any other constant alpha shows its pixels fully (there is no compositor), so the
// fade itself cannot be watched here; its start and its end can. Closing a window as large as a
// monitor costs Wine about two seconds, so the tests keep the number of closings low.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <set>
#include <vector>

#include "E2eSupport.h"
#include "base/Messages.h"

namespace {

constexpr std::uint32_t kRootColour = 0x203040;  // what the headless X server shows without windows
const POINT kOnPrimary{640, 400};
const POINT kOnSecond{1800, 400};

std::string Config(const std::string& overlay, const std::string& general = "SleepPrevent=0\r\n",
                   const std::string& action = "BlackCurrent") {
  return "[General]\r\n" + general + "KeepActive=0\r\nRunAtStartup=0\r\n[Overlay]\r\n" + overlay +
         "[Hotkey]\r\nAction=" + action + "\r\nToggleHotkey=VK_V\r\n";
}

const std::string kPlain = "FadeInDurationMs=0\r\nClockDisplay=None\r\n";

class BlackScreen : public testing::Test {
 protected:
  void SetUp() override { ForgetConfiguration(); }
  void TearDown() override { ForgetConfiguration(); }

  // Starts the program on the given configuration and waits until its hotkey is registered.
  HWND Start(const std::string& overlay, char sleepPrevent) {
    return Start(Config(overlay, std::string("SleepPrevent=") + sleepPrevent + "\r\n"));
  }
  HWND Start(const std::string& config) {
    EXPECT_TRUE(WriteConfig(config));
    program_ = std::make_unique<RunningProgram>();
    HWND window = program_->WaitForWindow();
    EXPECT_TRUE(WaitFor(ToggleHotkeyTaken));
    return window;
  }

  std::unique_ptr<RunningProgram> program_;
};

constexpr std::uint32_t kBlack = 0;
const std::vector<RECT> kBoth{kPrimaryMonitor, kSecondMonitor};
bool WaitForOverlays(const std::vector<RECT>& monitors, int timeoutMs = 8000) {
  return WaitFor([&] { return OverlaysCover(monitors); }, timeoutMs);
}
bool WaitForNoOverlay() { return WaitFor([] { return OverlayWindows().empty(); }, 10000); }

void MoveCursor(POINT p) { ASSERT_TRUE(::SetCursorPos(p.x, p.y)); }

int NonBlack(const ScreenShot& shot, const RECT& monitor) { return shot.Count(monitor, kBlack, false); }

// Black pixels on a monitor, the tray window in the primary's top-left corner aside.
int Black(const ScreenShot& shot, const RECT& monitor) {
  const RECT tray{0, 0, 200, 64};
  return shot.Count(monitor, kBlack, true, tray);
}

// Waits until the screen shows the covered monitors opaque black all over and the others without
// any black.
void ExpectCovered(std::initializer_list<RECT> covered, std::initializer_list<RECT> uncovered, const char* what) {
  auto matches = [&](const ScreenShot& shot) {
    for (const RECT& m : covered)
      if (NonBlack(shot, m) != 0) return false;
    for (const RECT& m : uncovered)
      if (Black(shot, m) != 0) return false;
    return true;
  };
  ScreenShot shot;
  WaitFor([&] { return matches(shot = CaptureScreen()); });
  for (const RECT& m : covered) EXPECT_EQ(NonBlack(shot, m), 0) << what << ": monitor at " << m.left;
  for (const RECT& m : uncovered) EXPECT_EQ(Black(shot, m), 0) << what << ": monitor at " << m.left;
}

// Posts a command that replaces the open windows and watches them meanwhile: no moment may show
// windows of the old set beside windows of the new one.
void ReplaceAndWatch(HWND mainWindow, WORD command, const std::vector<RECT>& expected) {
  const std::vector<HWND> before = OverlayWindows();
  const std::set<HWND> old(before.begin(), before.end());
  ASSERT_FALSE(old.empty());
  ASSERT_TRUE(::PostMessageW(mainWindow, WM_COMMAND, command, 0));
  bool mixed = false;
  const bool replaced = WaitFor([&] {
    const std::vector<HWND> now = OverlayWindows();
    std::size_t fromOld = 0;
    for (HWND w : now) fromOld += old.count(w);
    if (fromOld != 0 && fromOld != now.size()) mixed = true;
    return fromOld == 0 && OverlaysCover(expected);
  }, 12000);
  EXPECT_TRUE(replaced);
  EXPECT_FALSE(mixed) << "old and new overlay windows were open together";
  for (HWND w : before) EXPECT_FALSE(::IsWindow(w));
}

}  // namespace

TEST_F(BlackScreen, CommandsCoverEveryMonitorOrTheCursorsOne) {
  HWND window = Start(Config(kPlain));
  ASSERT_NE(window, nullptr);
  MoveCursor(kOnPrimary);

  // With FadeInDurationMs=0 the screen is black as soon as the command has run.
  ASSERT_TRUE(RunCommand(window, IDM_BLACK_ALL));
  {
    const ScreenShot shot = CaptureScreen();
    EXPECT_EQ(NonBlack(shot, kPrimaryMonitor), 0);
    EXPECT_EQ(NonBlack(shot, kSecondMonitor), 0);
    // Below the shorter second monitor lies no monitor and no overlay.
    EXPECT_EQ(shot.Count(RECT{1280, 768, 2304, 800}, kRootColour, true), 1024 * 32);
  }
  EXPECT_TRUE(OverlaysCover({kPrimaryMonitor, kSecondMonitor}));

  // The other kind replaces the windows: only the monitor under the cursor stays covered.
  ReplaceAndWatch(window, IDM_BLACK_CURRENT, {kPrimaryMonitor});
  ExpectCovered({kPrimaryMonitor}, {kSecondMonitor}, "current on primary");

  MoveCursor(kOnSecond);
  ReplaceAndWatch(window, IDM_BLACK_ALL, kBoth);
  ReplaceAndWatch(window, IDM_BLACK_CURRENT, {kSecondMonitor});
  ExpectCovered({kSecondMonitor}, {kPrimaryMonitor}, "current on second");

  // The same command again closes it.
  ASSERT_TRUE(::PostMessageW(window, WM_COMMAND, IDM_BLACK_CURRENT, 0));
  EXPECT_TRUE(WaitForNoOverlay());
  ExpectCovered({}, {kPrimaryMonitor, kSecondMonitor}, "closed");
}

TEST_F(BlackScreen, EachClosingInputClosesIt) {
  HWND window = Start(Config(kPlain));
  ASSERT_NE(window, nullptr);
  MoveCursor(kOnPrimary);
  ASSERT_TRUE(RunCommand(window, IDM_BLACK_CURRENT));
  ASSERT_TRUE(WaitForOverlays({kPrimaryMonitor}));
  ::Sleep(300);  // the focus events of the new window first

  // Each closing input, then the command opens it again (it does not take it for a close).
  struct Closing {
    const char* name;
    bool (*send)();
  };
  const Closing closings[] = {
      {"right release", [] { return SendMouse({MOUSEEVENTF_RIGHTUP}); }},
      {"Esc", [] { return SendKeys({VK_ESCAPE}); }},
      {"Alt+F4", [] { return SendKeys({VK_MENU, VK_F4}); }},
      {"double-click", [] {
         return SendMouse({MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP});
       }},
  };
  for (const Closing& closing : closings) {
    SCOPED_TRACE(closing.name);
    ASSERT_TRUE(closing.send());
    ASSERT_TRUE(WaitForNoOverlay());
    ExpectCovered({}, {kPrimaryMonitor}, closing.name);
    ASSERT_TRUE(RunCommand(window, IDM_BLACK_CURRENT));
    ASSERT_TRUE(WaitForOverlays({kPrimaryMonitor}));
    ::Sleep(300);
  }
  // Opened by the command, so the command closes it.
  ASSERT_TRUE(::PostMessageW(window, WM_COMMAND, IDM_BLACK_CURRENT, 0));
  EXPECT_TRUE(WaitForNoOverlay());
}

TEST_F(BlackScreen, BadgeSitsInTheCornersOnceTheFadeEndsAndTheElapsedClockTicks) {
  // 30x20, opaque: the top-left quarter 0xE03C28, the rest 0x28A0E0 (so that flips show).
  BesideExecutable beside;
  ASSERT_TRUE(beside.File(L"mode1.png", ReadBytesOrEmpty(SourcePath(L"tests/e2e/badge.png"))));
  HWND window = Start("FadeInDurationMs=300\r\nClockDisplay=None\r\nShowSleepPreventBadge=1\r\nBadgeAlpha=255\r\n", '1');
  ASSERT_TRUE(RunCommand(window, IDM_BLACK_ALL));
  ::Sleep(300 + 400);  // the fade, and some time for its last tick
  const ScreenShot shot = CaptureScreen();
  for (const RECT& m : kBoth) {
    const RECT place{m.right - 24 - 30, m.bottom - 24 - 20, m.right - 24, m.bottom - 24};  // 24 px margins at 96 DPI
    int wrong = 0;
    for (int y = place.top; y < place.bottom; ++y)
      for (int x = place.left; x < place.right; ++x)
        wrong += shot.At(x, y) != (x - place.left < 15 && y - place.top < 10 ? 0xE03C28u : 0x28A0E0u);
    EXPECT_EQ(wrong, 0) << "badge on the monitor at " << m.left;
    EXPECT_EQ(shot.Count(m, 0, false, place), 0) << "black around it on the monitor at " << m.left;
  }
  ASSERT_TRUE(RunCommand(window, IDM_BLACK_ALL));
  ASSERT_TRUE(WaitForNoOverlay());

  // The clock's box: right edge 24 pixels from the monitor's, bottom 24 pixels above its bottom.
  ASSERT_TRUE(WriteConfig("[Overlay]\r\nFadeInDurationMs=0\r\nClockDisplay=Elapsed\r\nBadgeAlpha=255\r\nShowSleepPreventBadge=0\r\n"));
  ASSERT_TRUE(::SetCursorPos(kOnPrimary.x, kOnPrimary.y));
  ASSERT_TRUE(RunCommand(window, IDM_BLACK_CURRENT));
  const RECT clock{1280 - 400, 800 - 140, 1280 - 24, 800 - 24};
  const ScreenShot first = CaptureScreen();
  EXPECT_EQ(first.Count(kPrimaryMonitor, 0, false, clock), 0) << "without a fade, black as soon as it has opened";
  ::Sleep(1300);
  const ScreenShot second = CaptureScreen();
  EXPECT_GT(first.Count(clock, 0xFFFFFF, true), 20) << "white text";
  int changed = 0;
  for (int y = clock.top; y < clock.bottom; ++y)
    for (int x = clock.left; x < clock.right; ++x) changed += first.At(x, y) != second.At(x, y);
  EXPECT_GT(changed, 20);
}
