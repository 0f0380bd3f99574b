// The program driven from outside: the Program tests share one start, each leaving nothing open.
#include "E2eSupport.h"  // windows.h first
#include <gtest/gtest.h>
#include <psapi.h>
#include <winternl.h>

#include "config/IniDocument.h"
#include "config/StartupShortcut.h"

#include <array>
#include <random>
#include <set>

// The desktop first: hotkeys sent by SendInput before it are lost. (scripts/test makes windows unmanaged.)
const HWND kDesktop = ::GetDesktopWindow();

// Posts the message, waits for the window of that class it opens, closes it with Esc: true when both happened.
static bool OpenAndEsc(HWND mainWindow, UINT message, WPARAM command, const wchar_t* className, int timeoutMs = 5000) {
  ::PostMessageW(mainWindow, message, command, 0);
  if (!WaitFor([&] { return FirstVisible(className) != nullptr; }, timeoutMs)) return false;
  PressKey(FirstVisible(className), VK_ESCAPE);
  return WaitFor([&] { return !FirstVisible(className); }, timeoutMs);
}

struct Program : testing::Test {
  static void SetUpTestSuite() {
    WriteConfig(kPlainConfig);
    program = std::make_unique<RunningProgram>();
    window = program->WaitForWindow();
  }
  static void TearDownTestSuite() { program.reset(); }
  void SetUp() override { ASSERT_TRUE(window && program->Running()); }
  void TearDown() override { EXPECT_TRUE(OverlayWindows().empty() || RunCall(L"--black-screen off").code == 0); }
  static inline std::unique_ptr<RunningProgram> program;
  static inline HWND window = nullptr;
};

TEST_F(Program, ASecondStartExitsAndOpensTheMenuOfTheFirst) {
  EXPECT_EQ(RunningProgram().WaitForExit(), 0u);
  ASSERT_TRUE(WaitFor([] { return FindVisibleMenu() != nullptr; }));
  EXPECT_TRUE(PressKey(FindVisibleMenu(), VK_ESCAPE) && WaitFor([] { return FindVisibleMenu() == nullptr; }));
}

TEST_F(Program, TheKeyboardChoosesPreventSleepForOneHourInTheTrayMenu) {
  ASSERT_TRUE(::PostMessageW(window, WM_SHOWTRAYMENU, 0, 0) && WaitFor([] { return FindVisibleMenu() != nullptr; }));
  for (WPARAM key : {VK_DOWN, VK_DOWN, VK_DOWN, VK_RIGHT, VK_DOWN, VK_DOWN, VK_RETURN})
    PressKey(FindVisibleMenu(), key);
  EXPECT_TRUE(WaitFor([] { return FileHas("SleepPreventPreset=1h\r\n") && FindVisibleMenu() == nullptr; }));
}

TEST_F(Program, ACommandSavesWhileConfigIniIsHeldOpenForAMoment) {
  {
    const LockedFile scanner(ConfigFile());  // no sharing at all, delete sharing included
    ASSERT_TRUE(scanner.Held() && PostCommand(window, IDM_CLOCK_ELAPSED) && Pause(250));
  }
  EXPECT_TRUE(WaitFor([] { return FileHas("ClockDisplay=Elapsed"); }));
}

// The one closing input an in-process test cannot send: the window's own Alt+F4.
TEST_F(Program, AltF4ClosesTheBlackScreenThatHasTheKeyboard) {
  ASSERT_TRUE(MoveCursor(kOnSecond) && PostCommand(window, IDM_BLACK_CURRENT) && WaitForOverlays({kSecondMonitor}));
  ASSERT_TRUE(WaitFor([] { return ::GetForegroundWindow() == OverlayWindows().at(0); }));
  EXPECT_TRUE(SendKeys({VK_MENU, VK_F4}) && WaitForOverlays({}));
}

// GDI objects in use (PEB GdiSharedHandleTable at 0xF8: 65536 entries of 24 bytes, type at 14); -1: unread.
static long long CountGdiObjects(HANDLE process) {
  PROCESS_BASIC_INFORMATION info{};
  std::uint64_t table = 0;
  std::vector<std::uint8_t> entries(0x10000 * 24);
  if (::NtQueryInformationProcess(process, ProcessBasicInformation, &info, sizeof info, nullptr) != 0 ||
      !::ReadProcessMemory(process, reinterpret_cast<const char*>(info.PebBaseAddress) + 0xF8, &table, 8, nullptr) ||
      !::ReadProcessMemory(process, reinterpret_cast<const void*>(table), entries.data(), entries.size(), nullptr))
    return -1;
  long long used = 0;
  for (std::size_t i = 0; i < 0x10000; ++i) used += entries[i * 24 + 14] != 0;
  return used;
}

// Two cycles first: one-time work is in the starting level; the private bytes may grow by caches that fill once.
TEST_F(Program, OpeningAndClosingItsWindowsLeavesGdiObjectsMemoryAndWindowsLevel) {
  const long long own = CountGdiObjects(::GetCurrentProcess());  // the count follows objects one by one
  const BrushHandle brush(::CreateSolidBrush(RGB(1, 2, 3)));
  ASSERT_EQ(CountGdiObjects(::GetCurrentProcess()), own + 1);
  const auto measure = [] {
    ::Sleep(150);  // every posted message handled
    PROCESS_MEMORY_COUNTERS counters{sizeof counters};  // PagefileUsage: the private commit charge
    ::GetProcessMemoryInfo(program->process_.Get(), &counters, sizeof counters);
    return std::array<long long, 3>{
        CountGdiObjects(program->process_.Get()), static_cast<long long>(counters.PagefileUsage),
        static_cast<long long>(WindowsOf(::GetProcessId(program->process_.Get()), nullptr).size())};
  };
  const bool many = LongTestMode();
  for (const auto& [name, cycles, message, command, className] :
       {std::tuple{"black screen", many ? 500 : 30, WM_COMMAND, IDM_BLACK_ALL, kOverlayWindowClass},
        {"tray menu", many ? 200 : 20, WM_SHOWTRAYMENU, 0, L"#32768"},
        {"About card", many ? 50 : 5, WM_COMMAND, IDM_ABOUT, kAboutWindowClass}}) {
    std::array<long long, 3> start{};
    for (int i = -2; i < cycles; ++i) {
      if (i == 0) start = measure();
      ASSERT_TRUE(OpenAndEsc(window, message, command, className)) << name << " cycle " << i;
    }
    const std::array<long long, 3> end = measure();
    ASSERT_TRUE(start[0] >= 0 && end[0] >= 0 && start[1] > 0) << "the GDI handle table or private bytes cannot be read";
    EXPECT_LE(end[0] - start[0], 8) << name;
    EXPECT_LE(end[1] - start[1], 2 << 20) << name;
    EXPECT_EQ(end[2], start[2]) << name;
  }
}

TEST_F(Program, ARefusedCallExitsWithTwoAndSaysWhyOnStandardError) {
  const CallResult refused = RunCall(L"--keep-active off --for 1h");
  EXPECT_EQ(refused.code, 2u);
  EXPECT_TRUE(refused.err.starts_with("umbraline: --for can only come right") &&
              refused.err.find("--exit | --status") != std::string::npos)
      << refused.err;
}

// The last Program test. Wine's own tray shows a child window per icon.
TEST_F(Program, ExitEndsTheProgramBeforeTheCallReturnsAndTakesItsIconAway) {
  const auto icon = [] {
    const HWND tray = ::FindWindowW(L"__winex11_standalone_tray", nullptr);
    return ::FindWindowExW(tray, nullptr, L"__winex11_tray_icon", nullptr);
  };
  ASSERT_NE(icon(), nullptr);
  EXPECT_EQ(RunCall(L"--exit").code, 0u);
  EXPECT_FALSE(program->Running());
  EXPECT_EQ(program->WaitForExit(), 0u);
  EXPECT_TRUE(FindMainWindow() == nullptr && WaitFor([&] { return icon() == nullptr; }));
}

TEST(NothingRunning, StatusAndExitCallsStartNothing) {
  const CallResult status = RunCall(L"--status");
  EXPECT_TRUE(status.code == 3u && status.out == "not running\r\n") << status.code << status.out;
  EXPECT_TRUE(RunCall(L"--exit").code == 0u && FindMainWindow() == nullptr);
}

TEST(NothingRunning, AModeCallStartsTheProgramAndReturnsWhileItRunsOn) {
  ForgetConfiguration();
  EXPECT_EQ(RunCall(L"--keep-active off").code, 0u);
  EXPECT_TRUE(FindMainWindow() != nullptr && FileHas("KeepActive=0"));
  EXPECT_EQ(RunCall(L"--exit").code, 0u);
}

// Managed, closing a monitor-sized window holds the program 2 s under Wine: an Esc typed then must not close the next.
TEST(CloseGuard, EscTypedWhileNothingIsOpenDoesNotCloseTheNextBlackScreen) {
  static constexpr const wchar_t* kWineX11 = L"Software\\Wine\\X11 Driver";
  ASSERT_TRUE(WriteConfig(kPlainConfig));  // managed windows for this test only, read when a process starts:
  ::RegSetKeyValueW(HKEY_CURRENT_USER, kWineX11, L"Managed", REG_SZ, L"Y", 4);
  RunningProgram program;
  const HWND started = program.WaitForWindow();
  ::RegSetKeyValueW(HKEY_CURRENT_USER, kWineX11, L"Managed", REG_SZ, L"N", 4);
  ASSERT_TRUE(started && WaitFor([] { return HotkeyTaken(MOD_CONTROL | MOD_ALT, 'V'); }) && MoveCursor(kOnSecond));
  ASSERT_TRUE(Hotkey() && WaitForOverlays({kSecondMonitor}) && Hotkey() && WaitForOverlays({}));
  ASSERT_TRUE(Pause() && SendKeys({VK_ESCAPE}) && Pause() && Hotkey() && WaitForOverlays({kSecondMonitor}));
  EXPECT_TRUE(Pause(1000) && OverlaysCover({kSecondMonitor})) << "closed by the Esc typed before";
  EXPECT_TRUE(SendKeys({VK_ESCAPE}) && WaitForOverlays({}, 10000));
}

TEST(KillDuringSave, FileIsAlwaysOneWholeState) {
  ForgetConfiguration();
  std::mt19937 random(7);
  std::pair<int, std::wstring> state{0, L"VK_V"};  // SleepPrevent, ToggleHotkey
  for (int round = 0; round < (LongTestMode() ? 200 : 6); ++round) {
    SCOPED_TRACE(testing::Message() << "kill " << round);
    RunningProgram program;
    const HWND window = program.WaitForWindow();
    ASSERT_TRUE(window && WaitFor([] { return FileHas("Action=BlackCurrent"); }));  // start-up has saved
    std::set<std::pair<int, std::wstring>> allowed{state};
    for (int i = 0, burst = 5 + static_cast<int>(random() % 40); i < burst; ++i) {
      const std::size_t pick = random() % 10;  // one of the five hotkey presets V, B, Q, S, M, or Prevent sleep
      if (pick < 5) state.second = std::wstring(L"VK_") + L"VBQSM"[pick];
      else state.first ^= 1;
      PostCommand(window, pick < 5 ? static_cast<WORD>(IDM_HOTKEY_CTRL_ALT_V + pick) : IDM_PREVENT_SLEEP);
      allowed.insert(state);
    }
    ::Sleep(static_cast<DWORD>(random() % 60));
    ::TerminateProcess(program.process_.Get(), 9);
    program.Stop();
    IniDocument document(ConfigFile());
    ASSERT_TRUE(document.Load()) << "config.ini missing or empty";
    state = {document.GetInt(L"General", L"SleepPrevent", -1), document.GetString(L"Hotkey", L"ToggleHotkey", L"?")};
    ASSERT_TRUE(allowed.count(state)) << "config.ini holds a state no command produced";
    ASSERT_TRUE(document.HasKey(L"Overlay", L"FadeInDurationMs")) << "keys lost";
  }
}

// Run from the temporary folder (a zip opened in Explorer), Run at startup on: the Startup shortcut stays as it was.
TEST(RealWindows, ACopyRunFromTheTemporaryFolderLeavesTheStartupShortcutAlone) {
  TempFolder temporary;
  const std::wstring copy = temporary.File(L"umbraline.exe"), link = StartupShortcutPath();
  ASSERT_TRUE(::CopyFileW((ExecutableFolder() + L"\\umbraline.exe").c_str(), copy.c_str(), FALSE));
  ASSERT_TRUE(UpdateStartupShortcut(true) && WriteConfig("[General]\r\nRunAtStartup=1\r\n"));
  const Bytes before = ReadBytesOrEmpty(link);  // a link to this test program
  RunningProgram program(copy);
  ASSERT_TRUE(program.WaitForWindow() && WaitFor([] { return HotkeyTaken(MOD_CONTROL | MOD_ALT, 'V'); }));  // loaded
  EXPECT_EQ(ReadBytesOrEmpty(link), before);
  ::DeleteFileW(link.c_str());
}

// Started through a symbolic link in another folder (a package manager's command alias; the build makes it), it
// works from the file behind the link: the Startup shortcut it makes names that file.
TEST(RealWindows, StartedThroughASymbolicLinkItLinksTheFileBehindIt) {
  const std::wstring shortcut = StartupShortcutPath(), alias = ExecutableFolder() + L"\\alias\\umbraline.exe";
  if (!PathExists(alias)) GTEST_SKIP() << "the build makes the link for the suite under Wine only";
  ::DeleteFileW(shortcut.c_str());
  ASSERT_TRUE(WriteConfig("[General]\r\nRunAtStartup=1\r\n"));
  RunningProgram program(alias);
  ASSERT_TRUE(program.WaitForWindow() && WaitFor([&] { return PathExists(shortcut); }));
  const Bytes link = ReadBytesOrEmpty(shortcut);  // holds the target's path as a whole
  const std::string real = Narrow(ExecutableFolder() + L"\\umbraline.exe") + '\0';
  EXPECT_NE(std::string(link.begin(), link.end()).find(real), std::string::npos) << real;
  program.Stop();
  EXPECT_TRUE(::DeleteFileW(shortcut.c_str()));
}

// A listed program holds its mode while it runs, as --status tells (its start is found by the scan every 10 s, its
// end through its handle); the switch itself stays off.
TEST(Conditions, AListedProgramHoldsItsModeWhileItRunsAndNoLonger) {
  TempFolder temporary;
  const std::wstring copy = temporary.File(L"umbra-watch.exe");
  ASSERT_TRUE(::CopyFileW((ExecutableFolder() + L"\\bare_window.exe").c_str(), copy.c_str(), FALSE));
  ASSERT_TRUE(WriteConfig("[Conditions]\r\nKeepActiveWhileRunning=UMBRA-WATCH\r\n"));
  RunningProgram resident;
  const auto status = [](const char* line) { return RunCall(L"--status").out.find(line) != std::string::npos; };
  ASSERT_TRUE(resident.WaitForWindow() && status("keep-active off\r\n"));
  RunningProgram watched(copy);
  EXPECT_TRUE(WaitFor([&] { return status("keep-active on while UMBRA-WATCH\r\n"); }, 15000));
  ::TerminateProcess(watched.process_.Get(), 0);  // not Stop(): that would end the resident
  EXPECT_TRUE(WaitFor([&] { return status("keep-active off\r\n"); }));
  EXPECT_TRUE(FileHas("KeepActive=0"));
}

// Its first run writes the built-in settings (a mark, no comments) with the away action rewritten.
TEST(Package, StartsFromTheUnpackedFolderAndWritesTheFirstRunFile) {
  wchar_t exe[MAX_PATH] = {};
  if (::GetEnvironmentVariableW(L"UMBRALINE_PACKAGED_EXE", exe, MAX_PATH) == 0) GTEST_SKIP() << "run by the script";
  ForgetConfiguration();
  RunningProgram program(exe);
  ASSERT_TRUE(program.WaitForWindow() && WaitFor([] { return FileHas("Action=BlackCurrent"); }));
  EXPECT_TRUE(ConfigText().starts_with("\xEF\xBB\xBF[General]\r\n") && ConfigText().find(';') == std::string::npos);
  EXPECT_TRUE(FileHas("FadeInDurationMs=120") && FileHas("ToggleHotkey=VK_V"));
}
