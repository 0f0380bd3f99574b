// The program driven from outside: the Program tests share one start, each leaving nothing open.
#include "E2eSupport.h"  // windows.h first
#include <gtest/gtest.h>
#include <psapi.h>
#include <winternl.h>

#include "base/LocalTime.h"
#include "config/IniDocument.h"
#include "config/StartupShortcut.h"

#include <array>
#include <cstdlib>
#include <optional>
#include <random>
#include <regex>
#include <set>

// The desktop first: hotkeys sent by SendInput before it are lost. (scripts/test makes windows unmanaged.)
const HWND kDesktop = ::GetDesktopWindow();

static bool Hotkey() { return SendKeys({VK_CONTROL, VK_MENU, 'V'}); }

struct Program : testing::Test {
  static void SetUpTestSuite() {  // the first run's file is checked from the release zip
    window = (ForgetConfiguration(), program = std::make_unique<RunningProgram>())->WaitForWindow();
    WaitFor([] { return FileHas("Action=BlackCurrent"); });
  }
  static void TearDownTestSuite() { program.reset(); }
  void SetUp() override { ASSERT_TRUE(window && program->Running()); }
  static inline std::unique_ptr<RunningProgram> program;
  static inline HWND window = nullptr;
};

TEST_F(Program, ASecondStartExitsAndOpensTheMenuOfTheFirstWhichTheKeyboardAnswers) {
  ASSERT_TRUE(WriteConfig(kPlainConfig));  // a hand edit, read again by the menu
  EXPECT_EQ(RunningProgram().WaitForExit(), 0u);
  ASSERT_TRUE(WaitFor([] { return FindVisibleMenu() != nullptr; }));
  PressKey(FindVisibleMenu(), VK_DOWN), PressKey(FindVisibleMenu(), VK_RETURN);  // the first row, "Prevent sleep"
  EXPECT_TRUE(WaitFor([] { return FileHas("SleepPrevent=1") && FindVisibleMenu() == nullptr; }));
  EXPECT_TRUE(FileHas("ClockDisplay=None") && FileHas("FadeInDurationMs=0"));
}

// Each closing input once, then a seeded mix (UMBRALINE_MIX_SEED) against the toggle rules: the same target closes,
// the other replaces; a click closes on a covered monitor, Esc and Alt+F4 while an overlay window has the keyboard.
TEST_F(Program, CloseGuardRandomMixFollowsTheToggleRules) {
  const char* chosen = std::getenv("UMBRALINE_MIX_SEED");
  const unsigned seed = chosen ? static_cast<unsigned>(std::strtoul(chosen, nullptr, 10)) : 7u;
  const std::vector<RECT> both{kPrimaryMonitor, kSecondMonitor};
  enum Kind { kAll, kCurrent, kKey, kClick };  // what a step is to the black screen
  const struct {
    const char* name;
    std::function<bool()> send;
    Kind kind;
  } steps[] = {
      {"command all", [&] { return PostCommand(window, IDM_BLACK_ALL); }, kAll},
      {"command current", [&] { return PostCommand(window, IDM_BLACK_CURRENT); }, kCurrent},
      {"hotkey", Hotkey, kCurrent},
      {"Esc", [] { return SendKeys({VK_ESCAPE}); }, kKey},
      {"Alt+F4",
       [] {
         return SendKeys({VK_MENU, VK_F4});
       },
       kKey},
      {"double-click",
       [] {
         return SendMouse({MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP});
       },
       kClick},
      {"right click",
       [] {
         return SendMouse({MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP});
       },
       kClick}};
  const auto keyboard = [] {  // an overlay window has it
    const std::vector<HWND> open = OverlayWindows();
    return std::find(open.begin(), open.end(), ::GetForegroundWindow()) != open.end();
  };
  std::mt19937 random(seed);
  std::vector<RECT> covered;  // what the rules leave open
  const std::size_t scripted[] = {1, 3, 1, 4, 1, 5, 1, 6};
  for (std::size_t i = 0; i < std::size(scripted) + 32; ++i) {
    const RECT& monitor = i < std::size(scripted) || random() % 2 ? kSecondMonitor : kPrimaryMonitor;
    const std::size_t drawn = i < std::size(scripted) ? scripted[i] : random() % std::size(steps);
    const bool keys = keyboard(),
               onCovered = covered.size() == 2 || (covered.size() == 1 && covered[0].left == monitor.left);
    const auto& step = steps[drawn == 4 && !keys ? 3 : drawn];  // Alt+F4 would go to another program's window
    SCOPED_TRACE(testing::Message() << "seed " << seed << ", step " << i << ": " << step.name << " at x "
                                    << monitor.left);
    ASSERT_TRUE(i >= std::size(scripted) || step.kind == kCurrent || (onCovered && keys))
        << "not open with the keyboard";
    ASSERT_TRUE(MoveCursor(monitor.left ? kOnSecond : kOnPrimary) && step.send());
    if (step.kind == kAll || step.kind == kCurrent) {
      const bool closes = !covered.empty() && (covered.size() == 2) == (step.kind == kAll);  // the same target
      covered = closes ? std::vector<RECT>{} : step.kind == kAll ? both : std::vector<RECT>{monitor};
    } else if (onCovered && (step.kind == kClick || keys)) {
      covered.clear();
    }
    ::Sleep(300);  // an input that must change nothing has been read by then
    ASSERT_TRUE(WaitForOverlays(covered)) << OverlayWindows().size() << " overlay windows open";
    if (!covered.empty()) WaitFor(keyboard, 500);  // an opened black screen takes the keyboard
  }
}

TEST_F(Program, ACommandSavesWhileConfigIniIsHeldOpenForAMoment) {
  std::optional<LockedFile> scanner(ConfigFile());  // no sharing at all, delete sharing included
  ASSERT_TRUE(scanner->Held() && PostCommand(window, IDM_CLOCK_ELAPSED));
  ::Sleep(250), scanner.reset();
  EXPECT_TRUE(WaitFor([] { return FileHas("ClockDisplay=Elapsed"); }));
}

// "Prevent sleep for" -> "1 hour" (by id, by keyboard), then "Until I turn it off", which the next tests need.
TEST_F(Program, PreventSleepForAnHourFromTheMenuThenUntilTurnedOff) {
  const auto inAnHour = [] {
    SYSTEMTIME t;
    ::GetLocalTime(&t);
    return "prevent-sleep on until " + Narrow(FormatLocalTimeMinutes(ToLocalTime(t) + 3600000));
  };
  const std::function<bool()> choices[] = {
      [] { return RunCommand(window, IDM_PREVENT_SLEEP_UNTIL_OFF + 2); },
      [] {
        if (!::PostMessageW(window, WM_SHOWTRAYMENU, 0, 0) || !WaitFor([] { return FindVisibleMenu() != nullptr; }))
          return false;
        for (WPARAM key : {VK_DOWN, VK_DOWN, VK_DOWN, VK_RIGHT, VK_DOWN, VK_DOWN, VK_RETURN})
          PressKey(FindVisibleMenu(), key);
        return WaitFor([] { return FileHas("SleepPreventPreset=1h\r\n") && FindVisibleMenu() == nullptr; });
      }};
  for (const auto& choose : choices) {
    const std::string before = inAnHour();
    ASSERT_TRUE(choose());
    const std::string status = RunCall(L"--status").out;
    EXPECT_TRUE(status.starts_with(before + "\r\n") || status.starts_with(inAnHour() + "\r\n")) << status;
    EXPECT_TRUE(RunCommand(window, IDM_PREVENT_SLEEP_UNTIL_OFF) &&
                RunCall(L"--status").out.starts_with("prevent-sleep on\r\n"));
  }
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

// Both badges above the ticking clock on each monitor; then GDI objects, private bytes and windows stay level
// while the black screen, the tray menu and the About card (by its command) open and close by Esc.
TEST_F(Program, BadgesAndClockInOnePictureThenCountsStayLevelOverManyCycles) {
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
  const long long own = CountGdiObjects(::GetCurrentProcess());  // the count follows objects one by one
  const BrushHandle brush(::CreateSolidBrush(RGB(1, 2, 3)));
  EXPECT_EQ(CountGdiObjects(::GetCurrentProcess()), own + 1);
  const auto measure = [] {
    ::Sleep(150);  // every posted message handled
    PROCESS_MEMORY_COUNTERS counters{sizeof counters};  // PagefileUsage: the private commit charge
    ::GetProcessMemoryInfo(program->process_, &counters, sizeof counters);
    return std::array<long long, 3>{CountGdiObjects(program->process_), static_cast<long long>(counters.PagefileUsage),
                                    static_cast<long long>(WindowsOf(program->Id(), nullptr).size())};
  };
  const struct {
    const char* name;
    int cycles;
    UINT message;
    WPARAM command;
    const wchar_t* className;
  } runs[] = {{"black screen", LongTestMode() ? 500 : 30, WM_COMMAND, IDM_BLACK_ALL, kOverlayWindowClass},
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

// The command line as a script uses it; Wine's own tray shows a child window per icon.
TEST_F(Program, CallsChangeTheRunningProgramEndItWithItsIconAndStartIt) {
  const auto icon = [] {
    return ::FindWindowExW(::FindWindowW(L"__winex11_standalone_tray", nullptr), nullptr, L"__winex11_tray_icon",
                           nullptr);
  };
  ASSERT_TRUE(RunCommand(window, IDM_CLOCK_NONE) && icon() != nullptr);
  EXPECT_EQ(RunCall(L"--keep-active off").code, 0u);
  EXPECT_TRUE(WaitFor([] { return FileHas("KeepActive=0"); }));  // saved just after the answer
  const std::string before = ConfigText();
  const CallResult refused = RunCall(L"--keep-active off --for 1h");
  EXPECT_EQ(refused.code, 2u);
  EXPECT_TRUE(refused.err.starts_with("umbraline: --for can only come right") &&
              refused.err.find("--exit | --status") != std::string::npos)
      << refused.err;
  EXPECT_TRUE(program->Running() && ConfigText() == before);
  EXPECT_EQ(RunCall(L"--PREVENT-SLEEP on --for 2h").code, 0u);
  const CallResult shown = RunCall(L"--status");
  EXPECT_EQ(shown.code, 0u);
  EXPECT_TRUE(
      std::regex_match(shown.out, std::regex("prevent-sleep on until 20\\d\\d-\\d\\d-\\d\\d \\d\\d:\\d\\d\r\n"
                                             "keep-active off\r\nblack-screen off\r\n"
                                             "monitor 1 0,0 1280x800 primary\r\nmonitor 2 1280,0 1024x768\r\n")))
      << shown.out;
  EXPECT_EQ(RunCall(L"--exit").code, 0u);
  EXPECT_FALSE(program->Running());  // gone when the call returns
  EXPECT_EQ(program->WaitForExit(), 0u);
  EXPECT_TRUE(FindMainWindow() == nullptr && WaitFor([&] { return icon() == nullptr; }));
  // With nothing running: --status and --exit start nothing; a mode option starts the program.
  const CallResult status = RunCall(L"--status");
  EXPECT_TRUE(status.code == 3u && status.out == "not running\r\n") << status.code << status.out;
  EXPECT_TRUE(RunCall(L"--exit").code == 0u && FindMainWindow() == nullptr);
  EXPECT_EQ(RunCall(L"--keep-active off").code, 0u);  // returned while the started program runs on
  EXPECT_TRUE(FindMainWindow() != nullptr && FileHas("KeepActive=0"));
  EXPECT_EQ(RunCall(L"--exit").code, 0u);
  EXPECT_EQ(FindMainWindow(), nullptr);
  ForgetConfiguration();
}

// Managed, closing a monitor-sized window holds the program 2 s under Wine: an Esc typed then must not close the next.
TEST(CloseGuard, EscTypedWhileNothingIsOpenDoesNotCloseTheNextBlackScreen) {
  ASSERT_TRUE((ForgetConfiguration(), WriteConfig(kPlainConfig)));  // managed windows for this test only:
  ::RegSetKeyValueW(HKEY_CURRENT_USER, kWineX11, L"Managed", REG_SZ, L"Y", 4);  // read when a process starts
  RunningProgram program;
  const HWND started = program.WaitForWindow();
  ::RegSetKeyValueW(HKEY_CURRENT_USER, kWineX11, L"Managed", REG_SZ, L"N", 4);
  ASSERT_TRUE(started && WaitFor([] { return HotkeyTaken(MOD_CONTROL | MOD_ALT, 'V'); }) && MoveCursor(kOnSecond));
  ASSERT_TRUE(Hotkey() && WaitForOverlays({kSecondMonitor}) && Hotkey() && WaitForOverlays({}));
  ASSERT_TRUE((::Sleep(300), SendKeys({VK_ESCAPE})) && (::Sleep(300), Hotkey()) && WaitForOverlays({kSecondMonitor}));
  ASSERT_TRUE((::Sleep(300), MoveCursor(kOnPrimary)) && SendKeys({VK_ESCAPE}) && SendKeys({VK_MENU, VK_F4}));
  ::Sleep(1000);
  EXPECT_TRUE(OverlaysCover({kSecondMonitor})) << "closed from the uncovered monitor";
  EXPECT_TRUE(MoveCursor(kOnSecond) && SendKeys({VK_ESCAPE}) && WaitForOverlays({}, 10000));
}

// Bad files around it: it runs on with no message box; a file it cannot write stays as it was, one it can
// (at once or once free) holds a saving command's effect (Prevent sleep), every other key kept. (Unreadable: in
// process.)
TEST(BadInput, ProgramKeepsRunningAndNeverWritesAWrongFile) {
  const std::string readable =
      "[General]\r\nSleepPrevent=1\r\nKeepActive=1\r\nRunAtStartup=0\r\n[KeepActive]\r\nIdleThresholdSec=300\r\n"
      "CheckIntervalSec=30\r\nNudge=F15\r\n[Hotkey]\r\nAction=BlackAll\r\nToggleHotkey=VK_V\r\n[Overlay]\r\n"
      "FadeInDurationMs=0\r\nBadgeAlpha=200\r\nClockFontPt=20\r\nClockDisplay=Time\r\n[Custom]\r\nNote=kept as it "
      "is\r\n";
  Bytes truncated = BadgePicture();
  truncated.resize(truncated.size() / 2);
  const struct {
    const char* name;
    Bytes mode1, mode2;
  } cases[] = {// both badges shown, when given
               {"config.ini held open without sharing"},
               {"a file in place of the config folder (runs on defaults)"},
               {"config folder deleted while running"},
               {"badges truncated and not PNG", truncated, ToBytes("No picture.\r\n")},
               {"a badge claiming 60000x60000 beside a good one",
                ReadBytesOrEmpty(SourcePath(L"tests/e2e/claims-60000x60000.png")), BadgePicture()}};
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(cases[i].name);
    ASSERT_TRUE((ForgetConfiguration(), WriteConfig(readable)));
    if (i == 1) RemoveTree(ConfigFolder()), WriteBytes(ConfigFolder(), ToBytes(readable));
    const std::wstring watched = i == 1 ? ConfigFolder() : ConfigFile();
    const Bytes start = ReadBytesOrEmpty(watched);
    std::optional<LockedFile> lock;
    BesideExecutable beside;
    ASSERT_TRUE(i != 0 || lock.emplace(watched).Held());
    ASSERT_TRUE(i < 3 || (beside.File(L"mode1.png", cases[i].mode1) && beside.File(L"mode2.png", cases[i].mode2)));
    RunningProgram program;
    const HWND window = program.WaitForWindow();
    ASSERT_TRUE(window) << "the program did not start";
    if (i == 2) ForgetConfiguration();
    EXPECT_TRUE(OpenAndEsc(window, WM_COMMAND, IDM_BLACK_ALL, kOverlayWindowClass, 30000)) << "no black screen";
    const Bytes beforeSave = ReadBytesOrEmpty(ConfigFile());
    PostCommand(window, IDM_PREVENT_SLEEP);  // handled in order: saved once the black screen opens again
    EXPECT_TRUE(OpenAndEsc(window, WM_COMMAND, IDM_BLACK_ALL, kOverlayWindowClass, 30000)) << "no black screen";
    EXPECT_TRUE(program.Running() && WindowsOf(program.Id(), L"#32770").empty()) << "ended, or a message box";
    lock.reset();
    // Never read, once free it gets the owed change (Prevent sleep on, as it was) and none of the defaults.
    EXPECT_TRUE(
        i != 0 ||
        WaitFor([&] { return ConfigText() == "\xEF\xBB\xBF" + readable.substr(0, readable.size() - 2); }, 10000));
    EXPECT_TRUE(i != 1 || ReadBytesOrEmpty(watched) == start) << "the file changed";
    if (i < 2) continue;
    IniDocument after(ConfigFile()), before(L"");
    ASSERT_TRUE(after.Load()) << "the saved file cannot be read";
    before.Parse(DecodeIniBytes(beforeSave.data(), beforeSave.size()));
    EXPECT_EQ(after.GetInt(L"General", L"SleepPrevent", -1), before.GetInt(L"General", L"SleepPrevent", 0) == 0);
    for (const auto& [section, keys] : before.Values())
      for (const auto& [key, value] : keys)
        EXPECT_TRUE(key == L"SleepPrevent" || after.GetString(section.c_str(), key.c_str(), L"-") == value)
            << Narrow(key);
  }
}

// Killed at random while it saves, it leaves config.ini with one whole state some command produced.
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
      pick < 5 ? void(state.second = std::wstring(L"VK_") + L"VBQSM"[pick]) : void(state.first ^= 1);
      PostCommand(window, pick < 5 ? static_cast<WORD>(IDM_HOTKEY_CTRL_ALT_V + pick) : IDM_PREVENT_SLEEP);
      allowed.insert(state);
    }
    ::Sleep(static_cast<DWORD>(random() % 60));
    ::TerminateProcess(program.process_, 9), program.Stop();
    IniDocument document(ConfigFile());
    ASSERT_TRUE(document.Load()) << "config.ini missing or empty";
    state = {document.GetInt(L"General", L"SleepPrevent", -1), document.GetString(L"Hotkey", L"ToggleHotkey", L"?")};
    ASSERT_TRUE(allowed.count(state)) << "config.ini holds a state no command produced";
    ASSERT_TRUE(document.HasKey(L"Overlay", L"FadeInDurationMs")) << "keys lost";
  }
}

// Run from the temporary folder (a zip opened in Explorer), Run at startup on: no Startup shortcut made or retargeted.
TEST(RealWindows, ACopyRunFromTheTemporaryFolderLeavesTheStartupShortcutAlone) {
  TempFolder temporary;
  const std::wstring copy = temporary.File(L"umbraline.exe"), link = StartupShortcutPath();
  ASSERT_TRUE(::CopyFileW((ExecutableFolder() + L"\\umbraline.exe").c_str(), copy.c_str(), FALSE));
  ASSERT_TRUE(UpdateStartupShortcut(true) && (ForgetConfiguration(), WriteConfig("[General]\r\nRunAtStartup=1\r\n")));
  const Bytes before = ReadBytesOrEmpty(link);  // a link to this test program
  RunningProgram program(copy);
  const HWND window = program.WaitForWindow();
  ASSERT_TRUE(window && WaitFor([] { return HotkeyTaken(MOD_CONTROL | MOD_ALT, 'V'); }));  // the settings loaded
  EXPECT_EQ(ReadBytesOrEmpty(link), before);
  ASSERT_TRUE(::DeleteFileW(link.c_str()) && ::PostMessageW(window, WM_SHOWTRAYMENU, 0, 0));
  ASSERT_TRUE(WaitFor([] { return FindVisibleMenu() != nullptr; }));
  EXPECT_FALSE(PathExists(link));
  PressKey(FindVisibleMenu(), VK_ESCAPE);
}

// Started through a symbolic link in another folder (a package manager's command alias; the build makes it), it
// works from the file behind the link: the Startup shortcut it makes names that file.
TEST(RealWindows, StartedThroughASymbolicLinkItLinksTheFileBehindIt) {
  const std::wstring shortcut = StartupShortcutPath(), alias = ExecutableFolder() + L"\\alias\\umbraline.exe";
  if (!PathExists(alias)) GTEST_SKIP() << "the build makes the link for the suite under Wine only";
  ASSERT_TRUE((ForgetConfiguration(), ::DeleteFileW(shortcut.c_str()), WriteConfig("[General]\r\nRunAtStartup=1\r\n")));
  RunningProgram program(alias);
  ASSERT_TRUE(program.WaitForWindow() && WaitFor([&] { return PathExists(shortcut); }));
  const Bytes link = ReadBytesOrEmpty(shortcut);  // holds the target's path as a whole
  const std::string real = Narrow(ExecutableFolder() + L"\\umbraline.exe") + '\0';
  EXPECT_NE(std::string(link.begin(), link.end()).find(real), std::string::npos) << real;
  program.Stop();
  EXPECT_TRUE(::DeleteFileW(shortcut.c_str()));
}

// A program named in each [Conditions] list holds its mode in force while it runs, as --status tells (a start
// is found by the scan every 10 s, an end through the process handle); the switches themselves stay off.
TEST(Conditions, AListedProgramHoldsItsModeWhileItRunsAndNoLonger) {
  TempFolder temporary;
  ForgetConfiguration();
  ASSERT_TRUE(WriteConfig(
      "[Conditions]\r\nSleepPreventWhileRunning=umbra-watch-a.exe\r\nKeepActiveWhileRunning=UMBRA-WATCH-B\r\n"));
  RunningProgram resident;
  ASSERT_TRUE(resident.WaitForWindow());
  const auto status = [] { return RunCall(L"--status").out; };
  const struct {
    const wchar_t* file;
    const char *held, *released;
  } lists[] = {{L"umbra-watch-a.exe", "prevent-sleep on while umbra-watch-a.exe\r\n", "prevent-sleep off\r\n"},
               {L"umbra-watch-b.exe", "keep-active on while UMBRA-WATCH-B\r\n", "keep-active off\r\n"}};
  for (const auto& list : lists) {
    const std::wstring copy = temporary.File(list.file);
    ASSERT_TRUE(::CopyFileW((ExecutableFolder() + L"\\bare_window.exe").c_str(), copy.c_str(), FALSE));
    EXPECT_NE(status().find(list.released), std::string::npos);
    RunningProgram watched(copy);
    EXPECT_TRUE(WaitFor([&] { return status().find(list.held) != std::string::npos; }, 15000)) << list.held;
    ::TerminateProcess(watched.process_, 0);  // not Stop(): that would end the resident
    EXPECT_TRUE(WaitFor([&] { return status().find(list.released) != std::string::npos; }, 5000)) << list.released;
  }
  EXPECT_TRUE(FileHas("SleepPrevent=0") && FileHas("KeepActive=0"));
}

// Its first run writes the built-in settings (a mark, no comments) with the away action rewritten.
TEST(Package, StartsFromTheUnpackedFolderAndWritesTheFirstRunFile) {
  wchar_t exe[MAX_PATH] = {};
  if (::GetEnvironmentVariableW(L"UMBRALINE_PACKAGED_EXE", exe, MAX_PATH) == 0) GTEST_SKIP() << "run by the script";
  RunningProgram program((ForgetConfiguration(), exe));
  ASSERT_TRUE(program.WaitForWindow() && WaitFor([] { return FileHas("Action=BlackCurrent"); }));
  EXPECT_TRUE(ConfigText().starts_with("\xEF\xBB\xBF[General]\r\n") && ConfigText().find(';') == std::string::npos);
  EXPECT_TRUE(FileHas("FadeInDurationMs=120") && FileHas("ToggleHotkey=VK_V"));
}
