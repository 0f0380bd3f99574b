// Footprint of the real program, measured from outside: start-up against a bare Win32 program,
// private memory idle and with the black screen open, CPU used while idle; and ShowOverlays on the
// largest monitor against one memset of a bitmap of that size.
#include <windows.h>
#include <psapi.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "app/AppState.h"
#include "app/Messages.h"
#include "overlay/Overlay.h"

namespace {

std::wstring BinFolder() {
  wchar_t buffer[MAX_PATH];
  const DWORD n = ::GetModuleFileNameW(nullptr, buffer, MAX_PATH);
  std::wstring path(buffer, n);
  return path.substr(0, path.find_last_of(L'\\'));
}

double NowMs() {
  LARGE_INTEGER frequency, counter;
  ::QueryPerformanceFrequency(&frequency);
  ::QueryPerformanceCounter(&counter);
  return 1000.0 * static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

PROCESS_INFORMATION Launch(const std::wstring& exe) {
  STARTUPINFOW startup{sizeof startup};
  PROCESS_INFORMATION info{};
  std::wstring command = L"\"" + exe + L"\"";
  ::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, BinFolder().c_str(), &startup, &info);
  return info;
}

void Close(PROCESS_INFORMATION& info) {
  if (info.hThread) ::CloseHandle(info.hThread);
  if (info.hProcess) ::CloseHandle(info.hProcess);
  info = {};
}

double PrivateMiB(HANDLE process) {
  PROCESS_MEMORY_COUNTERS_EX counters{};
  counters.cb = sizeof counters;
  if (!::GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters)) return -1;
  return static_cast<double>(counters.PrivateUsage) / (1024.0 * 1024.0);
}

double CpuMs(HANDLE process) {
  FILETIME created, exited, kernel, user;
  if (!::GetProcessTimes(process, &created, &exited, &kernel, &user)) return -1;
  auto ms = [](const FILETIME& t) {
    return static_cast<double>((static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 10000.0;
  };
  return ms(kernel) + ms(user);
}

HWND WaitForWindow(const wchar_t* className, int timeoutMs) {
  for (int waited = 0; waited < timeoutMs; waited += 10) {
    if (HWND window = ::FindWindowW(className, nullptr)) return window;
    ::Sleep(10);
  }
  return nullptr;
}

void EndProgram(PROCESS_INFORMATION& info) {
  if (HWND window = ::FindWindowW(kMainWindowClass, nullptr)) ::PostMessageW(window, WM_COMMAND, IDM_EXIT, 0);
  if (::WaitForSingleObject(info.hProcess, 10000) != WAIT_OBJECT_0) ::TerminateProcess(info.hProcess, 1);
  Close(info);
}

void StartupFigures() {
  const std::wstring bare = BinFolder() + L"\\bare_window.exe";
  const std::wstring program = BinFolder() + L"\\umbraline.exe";
  const int rounds = 7;
  // Interleaved, so both see the same machine.
  std::vector<double> bareTimes, programTimes;
  for (int i = 0; i < rounds; ++i) {
    double start = NowMs();
    PROCESS_INFORMATION info = Launch(bare);
    ::WaitForSingleObject(info.hProcess, 30000);
    bareTimes.push_back(NowMs() - start);
    Close(info);

    start = NowMs();
    info = Launch(program);
    // Input idle: start-up has finished (icon added, hotkey registered) and the message loop waits.
    ::WaitForInputIdle(info.hProcess, 30000);
    programTimes.push_back(NowMs() - start);
    EndProgram(info);
  }
  std::sort(bareTimes.begin(), bareTimes.end());
  std::sort(programTimes.begin(), programTimes.end());
  const double bareMedian = bareTimes[rounds / 2];
  const double programMedian = programTimes[rounds / 2];
  PrintRow("start: bare Win32 program, one window, to exit", bareMedian, "ms");
  PrintRow("start: umbraline.exe to idle message loop", programMedian, "ms");
  PrintRow("start: ratio umbraline / bare (goal <= 1.3)", programMedian / bareMedian, "x");
}

void MemoryFigures() {
  PROCESS_INFORMATION info = Launch(BinFolder() + L"\\umbraline.exe");
  ::WaitForInputIdle(info.hProcess, 30000);
  ::Sleep(1000);
  PrintRow("memory: private bytes idle after start (goal <= 4)", PrivateMiB(info.hProcess), "MiB");
  const double cpuBefore = CpuMs(info.hProcess);
  ::Sleep(10000);
  PrintRow("idle: CPU used in 10 s with both modes off", CpuMs(info.hProcess) - cpuBefore, "ms");
  HWND window = ::FindWindowW(kMainWindowClass, nullptr);
  ::PostMessageW(window, WM_COMMAND, IDM_BLACK_ALL, 0);
  WaitForWindow(kOverlayWindowClass, 10000);
  ::Sleep(1500);
  PrintRow("memory: private bytes with the black screen on all", PrivateMiB(info.hProcess), "MiB");
  ::PostMessageW(window, WM_COMMAND, IDM_BLACK_ALL, 0);
  ::Sleep(3000);
  PrintRow("memory: private bytes after closing it", PrivateMiB(info.hProcess), "MiB");
  EndProgram(info);
}

// ShowOverlays on the cursor's monitor (the bench runs with a 3840 x 2160 primary monitor) against
// filling a bitmap of the same size once.
void ShowOverlaysFigures() {
  AppState& app = App();
  app.instance = ::GetModuleHandleW(nullptr);
  wchar_t temp[MAX_PATH];
  ::GetTempPathW(MAX_PATH, temp);
  app.configPath = std::wstring(temp) + L"umbraline-bench-config.ini";
  ::DeleteFileW(app.configPath.c_str());
  RegisterOverlayClass();
  ::SetCursorPos(10, 10);
  MONITORINFO monitor{sizeof monitor};
  ::GetMonitorInfoW(::MonitorFromPoint(POINT{10, 10}, MONITOR_DEFAULTTOPRIMARY), &monitor);
  const int width = monitor.rcMonitor.right - monitor.rcMonitor.left;
  const int height = monitor.rcMonitor.bottom - monitor.rcMonitor.top;
  std::vector<std::uint32_t> bitmap(static_cast<std::size_t>(width) * height);
  const double fill = MedianMs(9, [&] {
    std::memset(bitmap.data(), 0x10, bitmap.size() * sizeof(std::uint32_t));
    volatile std::uint32_t keep = bitmap[bitmap.size() / 2];
    (void)keep;
  });
  std::vector<double> shows;
  for (int i = 0; i < 5; ++i) {
    const double start = NowMs();
    ShowOverlays(OverlayTarget::Current);
    shows.push_back(NowMs() - start);
    CloseOverlays();
  }
  std::sort(shows.begin(), shows.end());
  char label[96];
  std::snprintf(label, sizeof label, "overlay: memset of a %dx%d bitmap", width, height);
  PrintRow(label, fill, "ms");
  std::snprintf(label, sizeof label, "overlay: ShowOverlays on a %dx%d monitor", width, height);
  PrintRow(label, shows[2], "ms");
  PrintRow("overlay: ratio ShowOverlays / memset (goal <= 2)", shows[2] / fill, "x");
  ::DeleteFileW(app.configPath.c_str());
}

}  // namespace

void RunFootprintBench() {
  StartupFigures();
  MemoryFigures();
  ShowOverlaysFigures();
}
