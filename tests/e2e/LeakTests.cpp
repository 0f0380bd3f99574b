// The program runs for weeks: opening and closing the black screen, the tray menu and the About card
// over and over must not make it grow. Counts are read from this process: GDI and USER objects
// (GetGuiResources), private bytes (PROCESS_MEMORY_COUNTERS_EX.PrivateUsage), kernel handles and
// top-level windows, at the start, after each tenth of the cycles and at the end. Counts the system
// does not provide (Wine 8 implements neither GetGuiResources nor GetProcessHandleCount) are
// printed as 0 and not checked; WhatCanBeMeasuredInAnotherProcess says which. GDI objects are also
// counted in the process's own GDI handle table, which Wine 8 keeps as Windows does.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "FaultSupport.h"
#include "config/ConfigTestSupport.h"

namespace {

// What may remain above the starting level after all cycles: caches that fill once (fonts,
// decoded pictures, the heap's free lists). A leak of one object or one buffer per cycle grows
// far past these over the cycles run.
constexpr long kGdiSlack = 8;
constexpr long kUserSlack = 4;
constexpr long long kPrivateBytesSlack = 2 * 1024 * 1024;
constexpr long kHandleSlack = 8;

// Whether GetGuiResources gives real counts for another process on this system.
bool GuiCountsAvailable(const ResourceSample& sample) { return sample.gdiObjects > 0 && sample.userObjects > 0; }

void PrintSample(const char* label, std::size_t cycles, const ResourceSample& s) {
  std::printf("%-10s %5zu cycles: gdi %4lu  user %4lu  gdi table %4ld  private %8.1f KiB  handles %4lu  windows %2zu\n",
              label, cycles, static_cast<unsigned long>(s.gdiObjects), static_cast<unsigned long>(s.userObjects),
              s.gdiTable, static_cast<double>(s.privateBytes) / 1024.0, static_cast<unsigned long>(s.handles),
              s.windows);
  std::fflush(stdout);
}

// The program with a known configuration: the black screen composes both badges and the clock.
class LeakRun {
 public:
  LeakRun() {
    ForgetConfiguration();
    ::SHCreateDirectoryExW(nullptr, ConfigFolder().c_str(), nullptr);
    WriteBytes(ConfigFile(), ToBytes("[General]\r\nSleepPrevent=1\r\nKeepActive=1\r\n[Hotkey]\r\nAction=BlackAll\r\n"
                                     "[Overlay]\r\nClockDisplay=TimeAndElapsed\r\nFadeInDurationMs=0\r\n"
                                     "BadgeAlpha=255\r\n"));
    badges_.File(L"mode1.png", BlackPng(96, 96));
    badges_.File(L"mode2.png", BlackPng(48, 48));
    program_ = std::make_unique<RunningProgram>();
    mainWindow_ = program_->WaitForWindow();
  }
  ~LeakRun() {
    program_.reset();
    ForgetConfiguration();
  }
  HWND MainWindow() const { return mainWindow_; }
  HANDLE Process() const { return program_->Process(); }
  DWORD ProcessId() const { return ::GetProcessId(program_->Process()); }

 private:
  BesideExecutable badges_;
  ScopedUnmanagedWindows unmanaged_;
  std::unique_ptr<RunningProgram> program_;
  HWND mainWindow_ = nullptr;
};

// Settles the program: every posted message handled, nothing of the cycle left on screen.
void Settle() { ::Sleep(150); }

bool TrayMenuOnce(HWND mainWindow, DWORD) {
  ::PostMessageW(mainWindow, WM_SHOWTRAYMENU, 0, 0);
  HWND menu = nullptr;
  if (!WaitFor([&] { return (menu = FindVisibleMenu()) != nullptr; })) return false;
  PressKey(menu, VK_ESCAPE);
  return WaitFor([] { return FindVisibleMenu() == nullptr; });
}

bool AboutOnce(HWND mainWindow, DWORD processId) {
  PostCommand(mainWindow, IDM_ABOUT);
  HWND about = nullptr;
  if (!WaitFor([&] { return (about = FirstWindowOf(processId, kAboutWindowClass)) != nullptr; })) return false;
  PressKey(about, VK_ESCAPE);
  return WaitFor([&] { return CountWindowsOf(processId, kAboutWindowClass) == 0; });
}

bool BlackScreenOnce(HWND mainWindow, DWORD processId) { return OpenAndCloseBlackScreen(mainWindow, processId); }

// Runs the cycles, printing the curve, and checks that every count came back to its start.
void RunCycles(const char* name, std::size_t cycles, const std::function<bool(HWND, DWORD)>& once) {
  LeakRun run;
  ASSERT_NE(run.MainWindow(), nullptr);
  // Two cycles first, so one-time work (GDI+, decoded badges, fonts) is in the starting level.
  for (int i = 0; i < 2; ++i) ASSERT_TRUE(once(run.MainWindow(), run.ProcessId())) << name << " warm-up " << i;
  Settle();
  const ResourceSample start = SampleResources(run.Process());
  std::printf("%s: %zu cycles\n", name, cycles);
  PrintSample("start", 0, start);
  ResourceSample last = start;
  const std::size_t tenth = cycles / 10 == 0 ? 1 : cycles / 10;
  for (std::size_t i = 1; i <= cycles; ++i) {
    ASSERT_TRUE(once(run.MainWindow(), run.ProcessId())) << name << " cycle " << i;
    if (i % tenth == 0 || i == cycles) {
      Settle();
      last = SampleResources(run.Process());
      PrintSample(i == cycles ? "end" : "checkpoint", i, last);
    }
  }
  ASSERT_TRUE(run.MainWindow() == FindMainWindow());
  EXPECT_EQ(last.windows, start.windows) << name;
  ASSERT_GT(start.privateBytes, 0u) << "private bytes cannot be read";
  EXPECT_LE(static_cast<long long>(last.privateBytes) - static_cast<long long>(start.privateBytes),
            kPrivateBytesSlack)
      << name;
  if (start.handles > 0) {
    EXPECT_LE(static_cast<long>(last.handles) - static_cast<long>(start.handles), kHandleSlack) << name;
  }
  if (start.gdiTable > 0) {
    EXPECT_LE(last.gdiTable - start.gdiTable, kGdiSlack) << name;
  }
  if (GuiCountsAvailable(start)) {
    EXPECT_LE(static_cast<long>(last.gdiObjects) - static_cast<long>(start.gdiObjects), kGdiSlack) << name;
    EXPECT_LE(static_cast<long>(last.userObjects) - static_cast<long>(start.userObjects), kUserSlack) << name;
  }
}

}  // namespace

// What this system reports about another process: the leak checks below rely on the counts that
// are real, and say which ones are not.
TEST(Leaks, WhatCanBeMeasuredInAnotherProcess) {
  LeakRun run;
  ASSERT_NE(run.MainWindow(), nullptr);
  const ResourceSample other = SampleResources(run.Process());
  const ResourceSample self = SampleResources(::GetCurrentProcess());
  std::printf("GetGuiResources of the program: gdi %lu, user %lu (error %lu); of this process: gdi %lu, user %lu\n",
              static_cast<unsigned long>(other.gdiObjects), static_cast<unsigned long>(other.userObjects),
              static_cast<unsigned long>(other.gdiError), static_cast<unsigned long>(self.gdiObjects),
              static_cast<unsigned long>(self.userObjects));
  std::printf("private bytes %zu, handles %lu, top-level windows %zu\n", static_cast<std::size_t>(other.privateBytes),
              static_cast<unsigned long>(other.handles), other.windows);
  std::printf("GDI handle table of the program: %ld entries in use\n", other.gdiTable);
  if (!GuiCountsAvailable(other))
    std::printf("GetGuiResources gives no counts here: USER objects are not checked (top-level windows are)%s.\n",
                other.gdiTable > 0 ? ", GDI objects are counted in the handle table" : ", nor GDI objects");
  if (other.handles == 0) std::printf("GetProcessHandleCount gives no count here: handles are not checked.\n");
  // The program has a window and a tray icon: private bytes and windows must be readable.
  EXPECT_GT(other.privateBytes, 0u);
  EXPECT_GE(other.windows, 1u);
  // Where the GDI handle table is readable, it sees objects come and go one by one.
  if (other.gdiTable > 0) {
    const long before = CountGdiHandleTable(::GetCurrentProcess());
    std::vector<HBRUSH> brushes;
    for (int i = 0; i < 10; ++i) brushes.push_back(::CreateSolidBrush(RGB(i, 0, 0)));
    EXPECT_EQ(CountGdiHandleTable(::GetCurrentProcess()), before + 10);
    for (HBRUSH brush : brushes) ::DeleteObject(brush);
    EXPECT_EQ(CountGdiHandleTable(::GetCurrentProcess()), before);
  }
}

TEST(Leaks, BlackScreenOpenAndClose) {
  RunCycles("black screen", LongTestMode() ? 500 : 50, BlackScreenOnce);
}

TEST(Leaks, TrayMenuOpenAndDismiss) { RunCycles("tray menu", LongTestMode() ? 200 : 20, TrayMenuOnce); }

TEST(Leaks, AboutCardOpenAndClose) { RunCycles("About card", LongTestMode() ? 50 : 5, AboutOnce); }
