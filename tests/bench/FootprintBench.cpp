// Footprint of the real program, measured from outside: start-up against a bare Win32 program,
// private memory idle and with the black screen open, CPU used while idle; and ShowOverlays on the
// largest monitor against one memset of a bitmap of that size.
#include <windows.h>
#include <psapi.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
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

PROCESS_INFORMATION Launch(const std::wstring& exe, const wchar_t* arguments = L"") {
  STARTUPINFOW startup{sizeof startup};
  PROCESS_INFORMATION info{};
  std::wstring command = L"\"" + exe + L"\" " + arguments;
  ::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, BinFolder().c_str(), &startup, &info);
  return info;
}

void Close(PROCESS_INFORMATION& info) {
  if (info.hThread) ::CloseHandle(info.hThread);
  if (info.hProcess) ::CloseHandle(info.hProcess);
  info = {};
}

// Wine answers GetProcessMemoryInfo and GetProcessTimes for another process with zeros, so when it
// runs under Wine the figures come from the host's /proc (reached through drive Z:) instead.
std::string ReadHostFile(const std::wstring& path) {
  HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return {};
  std::string text;
  char buffer[4096];
  DWORD read = 0;
  while (::ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0) text.append(buffer, read);
  ::CloseHandle(file);
  return text;
}

// The host process id of the (only) running process whose command line names `exe`, or 0.
unsigned long HostPid(const char* exe) {
  WIN32_FIND_DATAW data;
  HANDLE find = ::FindFirstFileW(L"Z:\\proc\\*", &data);
  if (find == INVALID_HANDLE_VALUE) return 0;
  unsigned long pid = 0;
  do {
    const unsigned long candidate = std::wcstoul(data.cFileName, nullptr, 10);
    if (candidate == 0) continue;
    const std::string command = ReadHostFile(L"Z:\\proc\\" + std::wstring(data.cFileName) + L"\\cmdline");
    if (command.find(exe) != std::string::npos && command.find("bench") == std::string::npos) pid = candidate;
  } while (pid == 0 && ::FindNextFileW(find, &data));
  ::FindClose(find);
  return pid;
}

double PrivateMiB(HANDLE process, const char* exe = "umbraline.exe") {
  PROCESS_MEMORY_COUNTERS_EX counters{};
  counters.cb = sizeof counters;
  if (::GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters) &&
      counters.PrivateUsage != 0)
    return static_cast<double>(counters.PrivateUsage) / (1024.0 * 1024.0);
  const unsigned long pid = HostPid(exe);
  const std::string rollup = ReadHostFile(L"Z:\\proc\\" + std::to_wstring(pid) + L"\\smaps_rollup");
  double kib = 0;
  for (const char* field : {"Private_Clean:", "Private_Dirty:"}) {
    const std::size_t at = rollup.find(field);
    if (at != std::string::npos) kib += std::strtod(rollup.c_str() + at + std::strlen(field), nullptr);
  }
  return kib / 1024.0;
}

double CpuMs(HANDLE process) {
  FILETIME created, exited, kernel, user;
  if (::GetProcessTimes(process, &created, &exited, &kernel, &user)) {
    auto ms = [](const FILETIME& t) {
      return static_cast<double>((static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 10000.0;
    };
    if (ms(kernel) + ms(user) > 0) return ms(kernel) + ms(user);
  }
  // Host clock ticks (utime, stime: fields 14 and 15 of /proc/<pid>/stat), 100 per second.
  const std::string stat = ReadHostFile(L"Z:\\proc\\" + std::to_wstring(HostPid("umbraline.exe")) + L"\\stat");
  const std::size_t close = stat.rfind(')');
  if (close == std::string::npos) return -1;
  // After the command name: field 3 (state) first, so utime and stime are the 12th and 13th words.
  std::vector<std::string> words;
  std::string word;
  for (std::size_t i = close + 2; i < stat.size(); ++i) {
    if (stat[i] == ' ') {
      words.push_back(word);
      word.clear();
    } else {
      word += stat[i];
    }
  }
  if (words.size() < 13) return -1;
  const double ticks = std::strtod(words[11].c_str(), nullptr) + std::strtod(words[12].c_str(), nullptr);
  return ticks * 10.0;
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
  PROCESS_INFORMATION bare = Launch(BinFolder() + L"\\bare_window.exe", L"wait");
  ::WaitForInputIdle(bare.hProcess, 30000);
  ::Sleep(1000);
  PrintRow("memory: bare Win32 program idle (Wine's own share)", PrivateMiB(bare.hProcess, "bare_window.exe"), "MiB");
  if (HWND window = ::FindWindowW(L"BareWindow", nullptr)) ::PostMessageW(window, WM_CLOSE, 0, 0);
  ::WaitForSingleObject(bare.hProcess, 10000);
  Close(bare);

  PROCESS_INFORMATION info = Launch(BinFolder() + L"\\umbraline.exe");
  ::WaitForInputIdle(info.hProcess, 30000);
  ::Sleep(1000);
  PrintRow("memory: private bytes idle after start (goal <= 4)", PrivateMiB(info.hProcess), "MiB");
  const double cpuBefore = CpuMs(info.hProcess);
  PrintRow("idle: CPU used by start-up", cpuBefore, "ms");
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
