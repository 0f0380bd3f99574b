// The About command of the running program: one card, where it belongs, with the executable's texts.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "E2eSupport.h"
#include "about/AboutWindow.h"

namespace {

constexpr WPARAM kAboutCommand = 1006;
constexpr WPARAM kPreventSleep = 1001;

class About : public testing::Test {
 protected:
  void SetUp() override {
    ForgetConfiguration();
    ::GetCursorPos(&savedCursor_);
  }
  void TearDown() override {
    ::SetCursorPos(savedCursor_.x, savedCursor_.y);
    ForgetConfiguration();
  }

 private:
  POINT savedCursor_{};
};

bool FileHas(const std::string& line) { return FileText(ConfigFile()).find(line) != std::string::npos; }

std::wstring ClassOf(HWND window) {
  wchar_t name[64] = {};
  ::GetClassNameW(window, name, 64);
  return name;
}

std::wstring TextOf(HWND window) {
  wchar_t text[512] = {};
  ::GetWindowTextW(window, text, 512);
  return text;
}

// Every top-level About card of the given process.
std::vector<HWND> AboutCards(HANDLE process) {
  struct Search {
    DWORD processId;
    std::vector<HWND> found;
  } search{::GetProcessId(process), {}};
  ::EnumWindows(
      [](HWND window, LPARAM data) -> BOOL {
        auto* s = reinterpret_cast<Search*>(data);
        DWORD owner = 0;
        ::GetWindowThreadProcessId(window, &owner);
        if (owner == s->processId && ClassOf(window) == L"Umbraline.AboutWindow") s->found.push_back(window);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND WaitForCard(const RunningProgram& program) {
  HWND card = nullptr;
  WaitFor([&] {
    const std::vector<HWND> cards = AboutCards(program.Process());
    card = cards.empty() ? nullptr : cards.front();
    return card != nullptr && ::IsWindowVisible(card);
  });
  return card;
}

struct Child {
  std::wstring className;
  std::wstring text;
};

std::vector<Child> ChildrenOf(HWND window) {
  std::vector<Child> children;
  ::EnumChildWindows(
      window,
      [](HWND child, LPARAM data) -> BOOL {
        reinterpret_cast<std::vector<Child>*>(data)->push_back({ClassOf(child), TextOf(child)});
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&children));
  return children;
}

// The version block of the umbraline.exe the tests run.
std::vector<BYTE> ProgramVersionBlock() {
  DWORD ignored = 0;
  const DWORD size = ::GetFileVersionInfoSizeW(ProgramPath().c_str(), &ignored);
  std::vector<BYTE> block(size);
  if (size == 0 || !::GetFileVersionInfoW(ProgramPath().c_str(), 0, size, block.data())) block.clear();
  return block;
}

// Where the card belongs at 96 DPI: 520 x 200, centred on the cursor's x, kept 12 px inside the sides
// of the cursor's monitor's work area, its bottom 12 px above the work area's bottom.
RECT ExpectedCardAt96Dpi(POINT cursor) {
  MONITORINFO info{};
  info.cbSize = sizeof info;
  ::GetMonitorInfoW(::MonitorFromPoint(cursor, MONITOR_DEFAULTTONEAREST), &info);
  const RECT& work = info.rcWork;
  const int lowest = work.left + 12;
  const int highest = std::max(lowest, static_cast<int>(work.right) - 520 - 12);
  const int x = std::clamp(static_cast<int>(cursor.x) - 260, lowest, highest);
  const int bottom = work.bottom - 12;
  return RECT{x, bottom - 200, x + 520, bottom};
}

bool SameRect(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

std::string Describe(const RECT& r) {
  char text[96];
  std::snprintf(text, sizeof text, "(%ld,%ld)-(%ld,%ld)", r.left, r.top, r.right, r.bottom);
  return text;
}

// Presses and releases one key as real input.
bool TypeKey(WORD key) {
  INPUT keys[2] = {};
  keys[0].type = INPUT_KEYBOARD;
  keys[0].ki.wVk = key;
  keys[1].type = INPUT_KEYBOARD;
  keys[1].ki.wVk = key;
  keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
  return ::SendInput(2, keys, sizeof(INPUT)) == 2;
}

}  // namespace

TEST_F(About, CommandOpensOneCardAtTheBottomOfTheCursorsMonitor) {
  RunningProgram program;
  HWND window = program.WaitForWindow();
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(WaitFor([] { return FileHas("SleepPrevent=0"); }));

  struct Case {
    const char* name;
    POINT cursor;
  };
  // The test display: 1280x800 at 0,0 (primary) and 1024x768 at 1280,0. Every closing costs Wine about
  // two seconds, so only the cases that differ: both clamps, both monitors, one free position.
  const Case cases[] = {
      {"near the primary monitor's left edge", {30, 700}},
      {"near the primary monitor's right edge", {1270, 10}},
      {"middle of the second monitor", {1800, 600}},
      {"near the second monitor's right edge", {2300, 20}},
  };
  bool preventSleep = false;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(::SetCursorPos(c.cursor.x, c.cursor.y));
    // Twice, then a command that writes the file: once the file shows it, both About commands have run.
    ::PostMessageW(window, WM_COMMAND, kAboutCommand, 0);
    ::PostMessageW(window, WM_COMMAND, kAboutCommand, 0);
    ::PostMessageW(window, WM_COMMAND, kPreventSleep, 0);
    preventSleep = !preventSleep;
    ASSERT_TRUE(WaitFor([&] { return FileHas(preventSleep ? "SleepPrevent=1" : "SleepPrevent=0"); }));
    const std::vector<HWND> cards = AboutCards(program.Process());
    ASSERT_EQ(cards.size(), 1u);
    HWND card = cards.front();
    EXPECT_TRUE(::IsWindowVisible(card));
    EXPECT_EQ(TextOf(card), L"About Umbraline");
    RECT actual{};
    ::GetWindowRect(card, &actual);
    const RECT expected = ExpectedCardAt96Dpi(c.cursor);
    EXPECT_TRUE(SameRect(actual, expected)) << "card at " << Describe(actual) << ", expected " << Describe(expected);
    ::PostMessageW(card, WM_CLOSE, 0, 0);
    ASSERT_TRUE(WaitFor([&] { return AboutCards(program.Process()).empty(); }));
  }
  EXPECT_TRUE(program.Running());
}

TEST_F(About, CardShowsTheTextsOfTheExecutablesVersionBlock) {
  const std::vector<BYTE> block = ProgramVersionBlock();
  ASSERT_FALSE(block.empty()) << "umbraline.exe has no version block";
  const std::wstring productName = ReadVersionString(block.data(), L"ProductName");
  const std::wstring productVersion = ReadVersionString(block.data(), L"ProductVersion");
  const std::wstring comments = ReadVersionString(block.data(), L"Comments");
  const std::wstring copyright = ReadVersionString(block.data(), L"LegalCopyright");
  const std::wstring createdBy = ReadVersionString(block.data(), L"CreatedBy");
  const std::wstring note = ReadVersionString(block.data(), L"Note");
  for (const std::wstring* value : {&productName, &productVersion, &comments, &copyright, &createdBy, &note})
    ASSERT_FALSE(value->empty());
  // The block's own comment differs from the built-in one: the card below cannot pass on fallbacks.
  ASSERT_NE(comments, kFallbackComments);

  RunningProgram program;
  HWND window = program.WaitForWindow();
  ASSERT_NE(window, nullptr);
  ::PostMessageW(window, WM_COMMAND, kAboutCommand, 0);
  HWND card = WaitForCard(program);
  ASSERT_NE(card, nullptr);

  std::vector<std::wstring> statics;
  std::vector<std::wstring> links;
  for (const Child& child : ChildrenOf(card)) {
    if (child.className == L"Static" || child.className == L"STATIC") statics.push_back(child.text);
    if (child.className == L"SysLink") links.push_back(child.text);
  }
  std::wstring versionLine = L"Version ";
  versionLine += productVersion;
  // The icon is a text-less STATIC.
  const std::vector<std::wstring> wantedStatics = {L"", productName, versionLine, comments, copyright, note};
  EXPECT_EQ(statics, wantedStatics);
  ASSERT_EQ(links.size(), 1u);
  // The maker's name in the created-by line is the link to the maker's page.
  EXPECT_EQ(links.front(), BuildCreatedByMarkup(createdBy));
  EXPECT_NE(links.front().find(L"<a href=\""), std::wstring::npos);
  ::PostMessageW(card, WM_CLOSE, 0, 0);
  EXPECT_TRUE(WaitFor([&] { return AboutCards(program.Process()).empty(); }));
}

TEST_F(About, EscOrEnterFromTheKeyboardClosesTheCardAndTheProgramKeepsRunning) {
  RunningProgram program;
  HWND window = program.WaitForWindow();
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(::SetCursorPos(640, 400));
  ::PostMessageW(window, WM_COMMAND, kAboutCommand, 0);
  HWND card = WaitForCard(program);
  ASSERT_NE(card, nullptr);
  // The card takes the foreground when it opens, so the key reaches it.
  ASSERT_TRUE(WaitFor([&] { return ::GetForegroundWindow() == card; })) << "the card did not take the foreground";
  ASSERT_TRUE(TypeKey(VK_ESCAPE));
  EXPECT_TRUE(WaitFor([&] { return AboutCards(program.Process()).empty(); }));
  EXPECT_TRUE(program.Running());
  EXPECT_EQ(FindMainWindow(), window);

  // The program forgot the closed card: the command opens a new one.
  ::PostMessageW(window, WM_COMMAND, kAboutCommand, 0);
  card = WaitForCard(program);
  ASSERT_NE(card, nullptr);
  ASSERT_TRUE(WaitFor([&] { return ::GetForegroundWindow() == card; }));
  ASSERT_TRUE(TypeKey(VK_RETURN));
  EXPECT_TRUE(WaitFor([&] { return AboutCards(program.Process()).empty(); }));
  EXPECT_TRUE(program.Running());
}

TEST_F(About, AboutRowOfTheTrayMenuOpensTheCard) {
  RunningProgram program;
  HWND window = program.WaitForWindow();
  ASSERT_NE(window, nullptr);
  ::PostMessageW(window, WM_APP + 20, 0, 0);  // the tray menu, as a click on the icon opens it
  HWND menu = nullptr;
  ASSERT_TRUE(WaitFor([&] { return (menu = FindVisibleMenu()) != nullptr; }));
  // Up from no selection reaches the last row, "Exit Umbraline"; once more, above the separator, "About…".
  PressKey(menu, VK_UP);
  PressKey(menu, VK_UP);
  PressKey(menu, VK_RETURN);
  HWND card = WaitForCard(program);
  ASSERT_NE(card, nullptr);
  EXPECT_TRUE(WaitFor([] { return FindVisibleMenu() == nullptr; }));
  EXPECT_EQ(AboutCards(program.Process()).size(), 1u);
  EXPECT_TRUE(program.Running());
  ::PostMessageW(card, WM_CLOSE, 0, 0);
  EXPECT_TRUE(WaitFor([&] { return AboutCards(program.Process()).empty(); }));
}
