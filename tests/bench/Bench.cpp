// Benchmark executable, run through scripts/bench [group]: one row of figures (medians) per measurement.
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "app/AppState.h"
#include "base/Messages.h"
#include "base/SystemSeams.h"
#include "config/ConfigLoad.h"
#include "config/ConfigSave.h"
#include "config/IniDocument.h"
#include "overlay/Overlay.h"

static double NowMs() {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

static double Median(std::vector<double> times) {
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

static double MedianMs(int rounds, const std::function<void()>& work) {
  std::vector<double> times;
  for (int i = 0; i < rounds; ++i) {
    const double start = NowMs();
    work();
    times.push_back(NowMs() - start);
  }
  return Median(times);
}

static void Row(const std::string& name, double value, const char* unit) {
  std::printf("%-48s %12.3f %s\n", name.c_str(), value, unit);
  std::fflush(stdout);
}

// The largest file the reader accepts: sections of 40 short keys, the program's own keys at the end.
static std::wstring LargestIniText() {
  const std::wstring tail = L"[General]\nSleepPrevent=0\n[Overlay]\nBadgeAlpha=64\n";
  std::wstring text;
  for (int section = 0; text.size() < kIniMaxFileBytes; ++section) {
    text += L"[Section" + std::to_wstring(section) + L"]\n";
    for (int key = 0; key < 40; ++key)
      text += L"Key" + std::to_wstring(key) + L" = value " + std::to_wstring(key * 7) + L" ; note\n";
  }
  return text.substr(0, kIniMaxFileBytes - 4 - tail.size()) + L"\n" + tail;  // ASCII after a 3-byte mark
}

static void OverlayPictureReads() { BuildOverlayComposition(0); }  // the settings read for every picture

static void RunIniAndConfigBench() {
  App().configPath = (std::filesystem::temp_directory_path() / L"umbraline-bench-config.ini").wstring();
  WriteUtf8FileAtomic(App().configPath, LargestIniText());
  IniDocument document(App().configPath);
  Row("ini: Load 512 KiB file", MedianMs(15, [&] { document.Load(); }), "ms");
  Row("ini: Save the loaded document", MedianMs(15, [&] { document.Save(); }), "ms");
  Row("ini: 1000 GetInt lookups", MedianMs(15, [&] {
        volatile int sum = 0;
        for (int i = 0; i < 1000; ++i) sum = sum + document.GetInt(L"Section7", L"Key13", 0);
      }), "ms");
  Row("config: LoadConfig, 512 KiB file", MedianMs(15, [] { LoadConfig(); }), "ms");
  Row("config: overlay picture reads, 512 KiB file", MedianMs(15, OverlayPictureReads), "ms");
  const HRSRC shipped = ::FindResourceW(nullptr, MAKEINTRESOURCEW(103), MAKEINTRESOURCEW(10));  // default file
  std::ofstream(std::filesystem::path(App().configPath), std::ios::binary)
      .write(static_cast<const char*>(::LockResource(::LoadResource(nullptr, shipped))),
             ::SizeofResource(nullptr, shipped));
  Row("config: LoadConfig, default file", MedianMs(31, [] { LoadConfig(); }), "ms");
  Row("config: SaveConfig, default file", MedianMs(31, [] { SaveConfig(); }), "ms");
  Row("config: overlay picture settings, default file", MedianMs(31, OverlayPictureReads), "ms");
  ::DeleteFileW(App().configPath.c_str());
}

static ULONGLONG g_tick64 = 10000000;

// An elapsed clock ticking on a 3840 x 2160 overlay: a full render (and push) per tick against the
// partial redraw of the corner that held or now holds the badges and the clock.
static void RunOverlayBench() {
  ScopedSeams seams;
  seams->getTickCount64 = [] { return g_tick64 += 1000; };
  App().instance = ::GetModuleHandleW(nullptr);
  App().sleepPreventBadgeImage = BadgeImage{std::vector<std::uint32_t>(64 * 64, 0xFF30A0F0), 64, 64, true};
  App().keepActiveBadgeImage = BadgeImage{std::vector<std::uint32_t>(64 * 64, 0xC0C86432), 64, 64, true};
  RegisterOverlayClass();
  const OverlayComposition c{true, true, ClockDisplayMode::Elapsed, g_tick64, 32, 200};
  if (!AddOverlayWindow(RECT{0, 0, 3840, 2160}, c)) return Row("overlay: could not create a 3840x2160 window", 0, "");
  OverlayWindow& overlay = App().overlayWindows.front();
  PushOverlayBitmap(overlay, 255);
  Row("overlay: full render per tick, 3840x2160", MedianMs(21, [&] { RenderOverlayBitmap(overlay, c); }), "ms");
  Row("overlay: partial render per tick, 3840x2160", MedianMs(21, [&] { RefreshOverlayContent(overlay, c); }), "ms");
  const double full = MedianMs(21, [&] {
    RenderOverlayBitmap(overlay, c);
    PushOverlayBitmap(overlay, 255);
  });
  const double partial = MedianMs(21, [&] { PushOverlayRect(overlay, 255, RefreshOverlayContent(overlay, c)); });
  Row("overlay: full render + push per tick", full, "ms");
  Row("overlay: partial render + push per tick", partial, "ms");
  Row("overlay: partial / full, render + push", partial / full, "");
  CloseOverlays();
  App() = AppState{};
}

// Wine answers GetProcessMemoryInfo and GetProcessTimes for another process with zeros: there the
// figures come from the host's /proc (drive Z:), from the process whose command line names `exe`.
// The newest such process (highest start time) is taken, so a previous instance still ending is not.
static std::string HostProcFile(const char* exe, const char* file) {
  std::error_code error;
  std::string newest;
  double newestStart = -1;
  for (const auto& entry : std::filesystem::directory_iterator("Z:\\proc", error)) {
    const std::string folder = entry.path().string() + "\\";
    std::ifstream commandLine(folder + "cmdline", std::ios::binary), stat(folder + "stat", std::ios::binary);
    const std::string command{std::istreambuf_iterator<char>(commandLine), {}};
    if (command.find(exe) == std::string::npos || command.find("bench") != std::string::npos) continue;
    const std::string fields{std::istreambuf_iterator<char>(stat), {}};
    std::istringstream words(fields.substr(std::min(fields.size(), fields.rfind(')') + 2)));
    std::string word;
    for (int i = 0; i < 20; ++i) words >> word;  // the start time is the 20th word after the command name
    if (const double start = std::atof(word.c_str()); start > newestStart) {
      newestStart = start;
      std::ifstream wanted(folder + file, std::ios::binary);
      newest.assign(std::istreambuf_iterator<char>(wanted), {});
    }
  }
  return newest;
}

static double PrivateMiB(const PROCESS_INFORMATION& process, const char* exe) {
  PROCESS_MEMORY_COUNTERS_EX counters{sizeof counters};
  auto* plain = reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters);
  if (::GetProcessMemoryInfo(process.hProcess, plain, sizeof counters) && counters.PrivateUsage != 0)
    return static_cast<double>(counters.PrivateUsage) / (1024.0 * 1024.0);
  const std::string rollup = HostProcFile(exe, "smaps_rollup");
  double kib = 0;
  for (const char* field : {"Private_Clean:", "Private_Dirty:"})
    if (const std::size_t at = rollup.find(field); at != std::string::npos) kib += std::atof(rollup.c_str() + at + 14);
  return kib / 1024.0;
}

static double CpuMs(const PROCESS_INFORMATION& process) {
  FILETIME created, exited, kernel, user;
  ::GetProcessTimes(process.hProcess, &created, &exited, &kernel, &user);
  const double ms = (ULARGE_INTEGER{{kernel.dwLowDateTime, kernel.dwHighDateTime}}.QuadPart +
                     ULARGE_INTEGER{{user.dwLowDateTime, user.dwHighDateTime}}.QuadPart) / 10000.0;
  if (ms > 0) return ms;
  // Host clock ticks, 100 a second: utime and stime are the 12th and 13th words after the command name.
  const std::string stat = HostProcFile("umbraline.exe", "stat");
  std::istringstream words(stat.substr(std::min(stat.size(), stat.rfind(')') + 2)));
  std::string skipped;
  double utime = -1, stime = 0;
  for (int i = 0; i < 11; ++i) words >> skipped;
  words >> utime >> stime;
  return (utime + stime) * 10.0;
}

// Starts a program beside this one, if asked waiting until its start-up is done.
static PROCESS_INFORMATION Start(std::wstring command, bool waitIdle) {
  STARTUPINFOW startup{sizeof startup};
  PROCESS_INFORMATION info{};
  ::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info);
  if (waitIdle) ::WaitForInputIdle(info.hProcess, 30000);
  return info;
}

// Asks the program to close through its window, and forgets it.
static void End(const PROCESS_INFORMATION& info, const wchar_t* windowClass, UINT message, WPARAM wParam) {
  if (HWND window = ::FindWindowW(windowClass, nullptr)) ::PostMessageW(window, message, wParam, 0);
  if (::WaitForSingleObject(info.hProcess, 10000) != WAIT_OBJECT_0) ::TerminateProcess(info.hProcess, 1);
  ::CloseHandle(info.hThread);
  ::CloseHandle(info.hProcess);
}

// Start-up against a bare Win32 program (interleaved, so both see the same machine), private memory
// idle and with the black screen open, CPU used while idle; then ShowOverlays on the cursor's monitor
// (3840 x 2160 under scripts/bench) against one memset of a bitmap of that size.
static void RunFootprintBench() {
  std::vector<double> bare, program;
  for (int i = 0; i < 7; ++i) {  // interleaved, so both see the same machine
    bare.push_back(MedianMs(1, [] { End(Start(L"bare_window.exe", false), L"", 0, 0); }));
    const double start = NowMs();
    const PROCESS_INFORMATION info = Start(L"umbraline.exe", true);
    program.push_back(NowMs() - start);
    End(info, kMainWindowClass, WM_COMMAND, IDM_EXIT);
  }
  Row("start: bare Win32 program, one window, to exit", Median(bare), "ms");
  Row("start: umbraline.exe to idle message loop", Median(program), "ms");
  Row("start: ratio umbraline / bare (goal <= 1.3)", Median(program) / Median(bare), "x");
  PROCESS_INFORMATION info = Start(L"bare_window.exe wait", true);
  ::Sleep(1000);
  Row("memory: bare Win32 program idle (Wine's own share)", PrivateMiB(info, "bare_window.exe"), "MiB");
  End(info, L"BareWindow", WM_CLOSE, 0);
  info = Start(L"umbraline.exe", true);
  ::Sleep(1000);
  Row("memory: private bytes idle after start (goal <= 4)", PrivateMiB(info, "umbraline.exe"), "MiB");
  const double cpu = CpuMs(info);
  Row("idle: CPU used by start-up", cpu, "ms");
  ::Sleep(10000);
  Row("idle: CPU used in 10 s with both modes off", CpuMs(info) - cpu, "ms");
  ::PostMessageW(::FindWindowW(kMainWindowClass, nullptr), WM_COMMAND, IDM_BLACK_ALL, 0);
  for (int waited = 0; waited < 10000 && !::FindWindowW(kOverlayWindowClass, nullptr); waited += 10) ::Sleep(10);
  ::Sleep(1500);
  Row("memory: private bytes with the black screen on all", PrivateMiB(info, "umbraline.exe"), "MiB");
  ::PostMessageW(::FindWindowW(kMainWindowClass, nullptr), WM_COMMAND, IDM_BLACK_ALL, 0);
  ::Sleep(3000);
  Row("memory: private bytes after closing it", PrivateMiB(info, "umbraline.exe"), "MiB");
  End(info, kMainWindowClass, WM_COMMAND, IDM_EXIT);

  App().instance = ::GetModuleHandleW(nullptr);
  App().configPath = (std::filesystem::temp_directory_path() / L"umbraline-bench-config.ini").wstring();
  ::SetCursorPos(10, 10);
  MONITORINFO monitor{sizeof monitor};
  ::GetMonitorInfoW(::MonitorFromPoint(POINT{10, 10}, MONITOR_DEFAULTTOPRIMARY), &monitor);
  const int width = monitor.rcMonitor.right - monitor.rcMonitor.left;
  const int height = monitor.rcMonitor.bottom - monitor.rcMonitor.top;
  std::vector<std::uint32_t> bitmap(static_cast<std::size_t>(width) * height);
  const double fill = MedianMs(9, [&] {
    std::memset(bitmap.data(), 0x10, bitmap.size() * sizeof(std::uint32_t));
    [[maybe_unused]] volatile std::uint32_t keep = bitmap[bitmap.size() / 2];
  });
  std::vector<double> shows;
  for (int i = 0; i < 5; ++i, CloseOverlays())
    shows.push_back(MedianMs(1, [] { ShowOverlays(OverlayTarget::Current); }));
  const double show = Median(shows);
  const std::string size = std::to_string(width) + "x" + std::to_string(height);
  Row("overlay: memset of a " + size + " bitmap", fill, "ms");
  Row("overlay: ShowOverlays on a " + size + " monitor", show, "ms");
  Row("overlay: ratio ShowOverlays / memset (goal <= 2)", show / fill, "x");
  ::DeleteFileW(App().configPath.c_str());
}

int main(int argc, char** argv) {
  const std::string only = argc > 1 ? argv[1] : "";
  std::printf("%-48s %12s\n", "measurement", "median");
  const std::pair<const char*, void (*)()> groups[] = {
      {"ini", RunIniAndConfigBench}, {"overlay", RunOverlayBench}, {"footprint", RunFootprintBench}};
  for (const auto& [name, run] : groups)
    if (only.empty() || only == name || (only == "config" && name == std::string("ini"))) run();
}
