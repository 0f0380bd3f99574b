// The running program, driven from outside as a user or Windows would: one start, shared by the tests
// below in their order (each leaves nothing open). The fade cannot be watched here: without a
// compositor a layered window shows its pixels fully at any constant alpha but 0.
#include "E2eSupport.h"  // windows.h first
#include <gtest/gtest.h>
#include <psapi.h>
#include <winternl.h>

#include <array>

// Unmanaged windows close at once under headless Wine (else it waits about 2 s per window for a window
// manager). Read when a process starts; the desktop starts first, as hotkeys by SendInput get lost otherwise.
struct UnmanagedWindows : testing::Environment {
  void SetUp() override { ::GetDesktopWindow(), ::RegSetKeyValueW(HKEY_CURRENT_USER, kWineX11, L"Managed", REG_SZ, L"N", 4); }
  void TearDown() override { ::RegDeleteKeyValueW(HKEY_CURRENT_USER, kWineX11, L"Managed"); }
};
testing::Environment* const kUnmanagedWindows = testing::AddGlobalTestEnvironment(new UnmanagedWindows);

struct Program : testing::Test {
  static void SetUpTestSuite() {
    ForgetConfiguration();
    window = (program = std::make_unique<RunningProgram>())->WaitForWindow();
  }
  static void TearDownTestSuite() { program.reset(); }
  void SetUp() override { ASSERT_TRUE(window && program->Running()); }
  static inline std::unique_ptr<RunningProgram> program;
  static inline HWND window = nullptr;
};

TEST_F(Program, FirstRunWritesTheBuiltInSettingsWithTheAwayActionRewritten) {
  ASSERT_TRUE(WaitFor([] { return FileHas("Action=BlackCurrent"); }));
  EXPECT_EQ(ConfigText().rfind("\xEF\xBB\xBF[General]\r\n", 0), 0u);  // a mark, and no comments
  EXPECT_EQ(ConfigText().find(';'), std::string::npos);
  EXPECT_TRUE(FileHas("FadeInDurationMs=120") && FileHas("ToggleHotkey=VK_V"));
}

TEST_F(Program, ASecondStartExitsAndOpensTheMenuOfTheFirstWhichTheKeyboardAnswers) {
  ASSERT_TRUE(WriteConfig(kPlainConfig));  // a hand edit, read again by the menu
  EXPECT_EQ(RunningProgram().WaitForExit(), 0u);
  ASSERT_TRUE(WaitFor([] { return FindVisibleMenu() != nullptr; }));
  PressKey(FindVisibleMenu(), VK_DOWN), PressKey(FindVisibleMenu(), VK_RETURN);  // the first row, "Prevent sleep"
  EXPECT_TRUE(WaitFor([] { return FileHas("SleepPrevent=1") && FindVisibleMenu() == nullptr; }));
  EXPECT_TRUE(FileHas("ClockDisplay=None") && FileHas("FadeInDurationMs=0"));
}

TEST_F(Program, BlackScreenOnBothMonitorsThenTheCursorsOneThenClosedByTheSameCommand) {
  const auto black = [](const RECT& r) { return Count(CaptureScreen(), r, 0); };
  const auto blackAll = [&](const RECT& r) { return black(r) == (r.right - r.left) * (r.bottom - r.top); };
  ASSERT_TRUE(MoveCursor(kOnSecond) && RunCommand(window, IDM_BLACK_ALL));
  EXPECT_TRUE(WaitFor([&] { return blackAll(kPrimaryMonitor) && blackAll(kSecondMonitor); }));
  EXPECT_EQ(Count(CaptureScreen(), RECT{1280, 768, 2304, 800}, 0x203040), 1024 * 32) << "below the second monitor";
  ASSERT_TRUE(RunCommand(window, IDM_BLACK_CURRENT) && WaitForOverlays({kSecondMonitor}));  // the other kind replaces it
  EXPECT_TRUE(WaitFor([&] { return blackAll(kSecondMonitor) && black(RECT{0, 64, 1280, 800}) == 0; }));  // the tray above
  ASSERT_TRUE(RunCommand(window, IDM_BLACK_CURRENT) && WaitForOverlays({}));
  EXPECT_TRUE(WaitFor([&] { return black(kSecondMonitor) == 0; }));
}

TEST_F(Program, ACommandSavesWhileConfigIniIsHeldOpenForAMoment) {
  {
    LockedFile scanner(ConfigFile());  // no sharing at all, delete sharing included
    ASSERT_TRUE(scanner.Held() && PostCommand(window, IDM_CLOCK_ELAPSED));
    ::Sleep(250);
  }
  EXPECT_TRUE(WaitFor([] { return FileHas("ClockDisplay=Elapsed"); }));
}

TEST_F(Program, BothBadgesAboveTheTickingClockInTheCornerOfEachMonitor) {  // Prevent sleep on, the elapsed time
  BesideExecutable beside;
  ASSERT_TRUE(beside.File(L"mode1.png", BadgePicture()) && beside.File(L"mode2.png", BadgePicture()));
  ASSERT_TRUE(RunCommand(window, IDM_KEEP_ACTIVE) && RunCommand(window, IDM_BLACK_ALL));
  Screen first;
  ASSERT_TRUE(WaitFor([&] { return Count(first = CaptureScreen(), kSecondMonitor, 0xE03C28) == 2 * 15 * 10; }));
  for (const RECT& m : {kPrimaryMonitor, kSecondMonitor}) {
    const RECT corner{m.right - 400, m.bottom - 200, m.right - 24, m.bottom - 24};
    EXPECT_EQ(Count(first, corner, 0xE03C28), 2 * 15 * 10) << m.left;  // whole, not under the clock's text
    EXPECT_EQ(Count(first, corner, 0x28A0E0), 2 * (30 * 20 - 15 * 10)) << m.left;
    EXPECT_GT(Count(first, corner, 0xFFFFFF), 20) << m.left << ": white text";
    EXPECT_EQ(Count(first, m, 0, false), Count(first, corner, 0, false)) << m.left << ": black around it";
  }
  EXPECT_TRUE(WaitFor([&] { return CaptureScreen() != first; })) << "the elapsed time does not go on";
  ASSERT_TRUE(RunCommand(window, IDM_BLACK_ALL) && WaitForOverlays({}));
}

// GDI objects in a process's GDI handle table (PEB GdiSharedHandleTable at 0xF8 on x64): 65536 entries
// of 24 bytes, type byte at 14, 0 when free. -1 when the table cannot be read.
static long long CountGdiObjects(HANDLE process) {
  using Query = NTSTATUS(NTAPI*)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG, PULONG);
  const auto query = reinterpret_cast<Query>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationProcess")));
  PROCESS_BASIC_INFORMATION info{};
  std::uint64_t table = 0;
  std::vector<std::uint8_t> entries(0x10000 * 24);
  if (!query || query(process, ProcessBasicInformation, &info, sizeof info, nullptr) != 0 ||
      !::ReadProcessMemory(process, reinterpret_cast<const char*>(info.PebBaseAddress) + 0xF8, &table, 8, nullptr) ||
      !::ReadProcessMemory(process, reinterpret_cast<const void*>(table), entries.data(), entries.size(), nullptr))
    return -1;
  long long used = 0;
  for (std::size_t i = 0; i < 0x10000; ++i) used += entries[i * 24 + 14] != 0;
  return used;
}

// Opening and closing the black screen (both badges and the clock), the tray menu and the About card
// over and over: after a warm-up, GDI objects, private bytes and top-level windows stay level.
TEST_F(Program, CountsStayLevelOverManyCycles) {
  const long long own = CountGdiObjects(::GetCurrentProcess());  // the count follows objects one by one
  const HBRUSH brush = ::CreateSolidBrush(RGB(1, 2, 3));
  EXPECT_EQ(CountGdiObjects(::GetCurrentProcess()), own + 1);
  ::DeleteObject(brush);
  BesideExecutable beside;
  ASSERT_TRUE(beside.File(L"mode1.png", BadgePicture()) && beside.File(L"mode2.png", BadgePicture()));
  const auto measure = [] {
    ::Sleep(150);  // every posted message handled
    PROCESS_MEMORY_COUNTERS counters{sizeof counters};  // PagefileUsage: the private commit charge
    ::GetProcessMemoryInfo(program->process_, &counters, sizeof counters);
    return std::array<long long, 3>{CountGdiObjects(program->process_), static_cast<long long>(counters.PagefileUsage),
                                    static_cast<long long>(WindowsOf(program->Id(), nullptr).size())};
  };
  const struct { const char* name; int cycles; UINT message; WPARAM command; const wchar_t* className; } runs[] = {
      {"black screen", LongTestMode() ? 500 : 30, WM_COMMAND, IDM_BLACK_ALL, kOverlayWindowClass},
      {"tray menu", LongTestMode() ? 200 : 20, WM_SHOWTRAYMENU, 0, L"#32768"},
      {"About card", LongTestMode() ? 50 : 5, WM_COMMAND, IDM_ABOUT, kAboutWindowClass}};
  for (const auto& run : runs) {
    std::array<long long, 3> start{};
    for (int i = -2; i < run.cycles; ++i) {  // two cycles first: one-time work is in the starting level
      if (i == 0) start = measure();
      ASSERT_TRUE(OpenAndEsc(window, run.message, run.command, run.className)) << run.name << " cycle " << i;
    }
    const std::array<long long, 3> end = measure();
    ASSERT_TRUE(start[0] >= 0 && end[0] >= 0 && start[1] > 0) << "the GDI handle table or private bytes cannot be read";
    EXPECT_LE(end[0] - start[0], 8) << run.name;
    EXPECT_LE(end[1] - start[1], 2 << 20) << run.name;  // caches that fill once
    EXPECT_EQ(end[2], start[2]) << run.name;
  }
}

TEST_F(Program, AboutOpensOneCardAtItsPlaceOnTheCursorsMonitorAndEscClosesIt) {
  ASSERT_TRUE(MoveCursor(POINT{2300, 20}) && RunCommand(window, IDM_ABOUT) && RunCommand(window, IDM_ABOUT));
  const std::vector<HWND> cards = WindowsOf(program->Id(), kAboutWindowClass);
  ASSERT_EQ(cards.size(), 1u);
  MONITORINFO info{sizeof info};  // 520 x 200 at 96 DPI, 12 px inside the right and bottom of the work area
  ::GetMonitorInfoW(::MonitorFromPoint(POINT{2300, 20}, MONITOR_DEFAULTTONEAREST), &info);
  const RECT& work = info.rcWork;
  RECT card{}, expected{work.right - 532, work.bottom - 212, work.right - 12, work.bottom - 12};
  EXPECT_TRUE(::GetWindowRect(cards[0], &card) && ::EqualRect(&card, &expected) && ::IsWindowVisible(cards[0]));
  ASSERT_TRUE(WaitFor([&] { return ::GetForegroundWindow() == cards[0]; }) && SendKeys({VK_ESCAPE}));
  EXPECT_TRUE(WaitFor([&] { return WindowsOf(program->Id(), kAboutWindowClass).empty(); }));
}

TEST_F(Program, ExitEndsItWithCodeZeroAndItsTrayIconGoes) {  // Wine's own tray shows a child window per icon
  const auto icon = [] {
    return ::FindWindowExW(::FindWindowW(L"__winex11_standalone_tray", nullptr), nullptr, L"__winex11_tray_icon", nullptr);
  };
  ASSERT_NE(icon(), nullptr);
  ASSERT_TRUE(PostCommand(window, IDM_EXIT));
  EXPECT_EQ(program->WaitForExit(), 0u);
  EXPECT_TRUE(FindMainWindow() == nullptr && WaitFor([&] { return icon() == nullptr; }));
}
