// Opening and closing the black screen, the tray menu and the About card over and over must not make
// the program grow: after a warm-up, its GDI objects, private bytes and top-level windows stay level.
#include "E2eSupport.h"  // windows.h first
#include <gtest/gtest.h>
#include <psapi.h>
#include <winternl.h>

#include <cstdio>


namespace {

// GDI objects counted in the process's GDI handle table (PEB GdiSharedHandleTable at 0xF8 on x64):
// 65536 entries of 24 bytes, type byte at 14, 0 when free. -1 when the table cannot be read.
long CountGdiHandleTable(HANDLE process) {
  using Query = NTSTATUS(NTAPI*)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG, PULONG);
  const auto query = reinterpret_cast<Query>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationProcess")));
  PROCESS_BASIC_INFORMATION info{};
  std::uint64_t table = 0;
  std::vector<std::uint8_t> entries(0x10000 * 24);
  SIZE_T read = 0;
  if (query == nullptr || query(process, ProcessBasicInformation, &info, sizeof info, nullptr) != 0 ||
      !::ReadProcessMemory(process, reinterpret_cast<const char*>(info.PebBaseAddress) + 0xF8, &table, 8, &read) ||
      !::ReadProcessMemory(process, reinterpret_cast<const void*>(static_cast<std::uintptr_t>(table)), entries.data(),
                           entries.size(), &read))
    return -1;
  long used = 0;
  for (std::size_t i = 0; i < 0x10000; ++i) used += entries[i * 24 + 14] != 0;
  return used;
}

struct Sample {
  long gdiTable;
  long long privateBytes;
  std::size_t windows;
};
Sample Measure(HANDLE process) {
  PROCESS_MEMORY_COUNTERS_EX counters{sizeof counters};
  ::GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters);
  // Wine 8 leaves PrivateUsage at 0 but fills PagefileUsage, the same commit charge on Windows.
  return {CountGdiHandleTable(process),
          static_cast<long long>(counters.PrivateUsage != 0 ? counters.PrivateUsage : counters.PagefileUsage),
          TopWindows(::GetProcessId(process)).size()};
}

}  // namespace

TEST(Leaks, CountsStayLevelOverManyCycles) {
  // The handle table must be readable, and its count follows objects one by one (seen in this process).
  const long before = CountGdiHandleTable(::GetCurrentProcess());
  ASSERT_GE(before, 0) << "the GDI handle table cannot be read";
  HBRUSH brush = ::CreateSolidBrush(RGB(1, 2, 3));
  EXPECT_EQ(CountGdiHandleTable(::GetCurrentProcess()), before + 1);
  ::DeleteObject(brush);
  // The black screen composes both badges and the clock.
  ForgetConfiguration();
  ASSERT_TRUE(WriteConfig("[General]\r\nSleepPrevent=1\r\nKeepActive=1\r\n[Hotkey]\r\nAction=BlackAll\r\n"
                          "[Overlay]\r\nClockDisplay=TimeAndElapsed\r\nFadeInDurationMs=0\r\n"));
  BesideExecutable badges;
  badges.File(L"mode1.png", Png(96, 96));
  badges.File(L"mode2.png", Png(48, 48));
  RunningProgram program;
  const HWND window = program.WaitForWindow();
  ASSERT_NE(window, nullptr);
  const struct {
    const char* name;
    int cycles;
    UINT message;
    WPARAM command;
    std::function<HWND()> find;
  } runs[] = {{"black screen", LongTestMode() ? 500 : 50, WM_COMMAND, IDM_BLACK_ALL, FirstWindowOf(program.Id(), kOverlayWindowClass)},
              {"tray menu", LongTestMode() ? 200 : 20, WM_SHOWTRAYMENU, 0, FindVisibleMenu},
              {"About card", LongTestMode() ? 50 : 5, WM_COMMAND, IDM_ABOUT, FirstWindowOf(program.Id(), kAboutWindowClass)}};
  for (const auto& run : runs) {
    Sample start{}, last{};
    for (int i = -2; i <= run.cycles; ++i) {  // two cycles first: one-time work is in the starting level
      ASSERT_TRUE(i == 0 || OpenAndEsc(window, run.message, run.command, run.find)) << run.name << " cycle " << i;
      if (i < 0 || i % std::max(1, run.cycles / 10) != 0) continue;
      ::Sleep(150);  // every posted message handled
      last = Measure(program.process_);
      if (i == 0) start = last;
      std::printf("%-12s %4d cycles: GDI table %4ld  private %8.1f KiB  windows %2zu\n", run.name, i, last.gdiTable,
                  last.privateBytes / 1024.0, last.windows);
    }
    EXPECT_EQ(last.windows, start.windows) << run.name;
    ASSERT_GT(start.privateBytes, 0) << "private bytes cannot be read";
    ASSERT_GE(start.gdiTable, 0) << "the program's GDI handle table cannot be read";
    EXPECT_LE(last.privateBytes - start.privateBytes, 2 << 20) << run.name;  // caches that fill once
    EXPECT_GE(last.gdiTable, 0) << run.name;
    EXPECT_LE(last.gdiTable - start.gdiTable, 8) << run.name;
  }
  program.Stop();
  ForgetConfiguration();
}
