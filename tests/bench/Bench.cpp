// Benchmark executable, run through scripts/bench [group]: one row of figures (medians) per measurement.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
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

static void Goal(const std::string& name, double value, double limit, const char* unit) {
  std::printf("%-48s %12.3f %-3s goal <= %.2f: %s\n", name.c_str(), value, unit, limit, value <= limit ? "met" : "NOT MET");
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

// An elapsed clock ticking on a 3840 x 2160 overlay: a full render per tick against the partial
// redraw of the corner that held or now holds the badges and the clock (the push excluded: Wine
// copies the whole surface whatever the dirty rectangle).
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
  const double full = MedianMs(31, [&] { RenderOverlayBitmap(overlay, c); });
  const double partial = MedianMs(31, [&] { RefreshOverlayContent(overlay, c); });
  Row("overlay: full render per tick, 3840x2160", full, "ms");
  Row("overlay: partial render per tick (push excluded)", partial, "ms");
  Goal("overlay: ratio partial / full render", partial / full, 0.1, "x");
  CloseOverlays();
  App() = AppState{};
}

// Wine answers GetProcessMemoryInfo and GetProcessTimes for another process with zeros: the figures
// come from the host's /proc (drive Z:), from the newest process whose command line names `exe`.
// Every program is started from a copy named for this run, so other Wine sessions on the host and a
// previous instance still ending are never taken for it.
// Some /proc files fail to read (a process gone, another user's): they count as empty.
static std::string ReadHostFile(const std::string& path) {
  try {
    std::ifstream file(path, std::ios::binary);
    return std::string{std::istreambuf_iterator<char>(file), {}};
  } catch (const std::exception&) {
    return {};
  }
}

static std::string HostProcFile(const std::string& exe, const char* file) {
  std::error_code error;
  std::string newest;
  double newestStart = -1;
  for (const auto& entry : std::filesystem::directory_iterator("Z:\\proc", error)) {
    const std::string folder = entry.path().string() + "\\";
    if (ReadHostFile(folder + "cmdline").find(exe) == std::string::npos) continue;
    const std::string fields = ReadHostFile(folder + "stat");
    std::istringstream words(fields.substr(std::min(fields.size(), fields.rfind(')') + 2)));
    std::string word;
    for (int i = 0; i < 20; ++i) words >> word;  // the start time is the 20th word after the command name
    if (const double start = std::atof(word.c_str()); start > newestStart) {
      newestStart = start;
      newest = ReadHostFile(folder + file);
    }
  }
  return newest;
}

static double PrivateMiB(const std::string& exe) {
  const std::string rollup = HostProcFile(exe, "smaps_rollup");
  double kib = 0;
  for (const char* field : {"Private_Clean:", "Private_Dirty:"})
    if (const std::size_t at = rollup.find(field); at != std::string::npos) kib += std::atof(rollup.c_str() + at + 14);
  return kib / 1024.0;
}

// Host clock ticks, 100 a second: utime and stime are the 12th and 13th words after the command name.
static double CpuMs(const std::string& exe) {
  const std::string stat = HostProcFile(exe, "stat");
  std::istringstream words(stat.substr(std::min(stat.size(), stat.rfind(')') + 2)));
  std::string skipped;
  double utime = 0, stime = 0;
  for (int i = 0; i < 11; ++i) words >> skipped;
  words >> utime >> stime;
  return (utime + stime) * 10.0;
}

// The DLLs mapped into the process, by file name.
static std::set<std::string> LoadedDlls(const std::string& exe) {
  std::set<std::string> dlls;
  std::istringstream maps(HostProcFile(exe, "maps"));
  for (std::string line; std::getline(maps, line);)
    if (line.size() > 4 && line.compare(line.size() - 4, 4, ".dll") == 0) dlls.insert(line.substr(line.rfind('/') + 1));
  return dlls;
}

// A program under test: its private copy, how it is asked to close, and its figures.
struct Program {
  std::string copy;
  const wchar_t* windowClass;
  UINT closeMessage;
  WPARAM closeParam;
  std::wstring arguments;
  std::vector<double> startMs, privateMiB;
  PROCESS_INFORMATION info{};

  void Start() {
    STARTUPINFOW startup{sizeof startup};
    std::wstring command = std::wstring(copy.begin(), copy.end()) + arguments;
    const double start = NowMs();
    ::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info);
    ::WaitForInputIdle(info.hProcess, 30000);
    startMs.push_back(NowMs() - start);
  }
  void End() {
    if (HWND window = ::FindWindowW(windowClass, nullptr)) ::PostMessageW(window, closeMessage, closeParam, 0);
    if (::WaitForSingleObject(info.hProcess, 10000) != WAIT_OBJECT_0) ::TerminateProcess(info.hProcess, 1);
    ::CloseHandle(info.hThread);
    ::CloseHandle(info.hProcess);
  }
};

static Program CopyOf(const char* exe, const wchar_t* windowClass, UINT message, WPARAM wParam, const wchar_t* args) {
  char folder[MAX_PATH];
  const std::string beside(folder, ::GetModuleFileNameA(nullptr, folder, MAX_PATH));
  const std::string path = beside.substr(0, beside.rfind('\\') + 1);
  const std::string copy = path + "run" + std::to_string(::GetCurrentProcessId()) + "-" + exe;
  ::CopyFileA((path + exe).c_str(), copy.c_str(), FALSE);
  return Program{copy, windowClass, message, wParam, args};
}

// One topmost layered window of the monitor's size with one black frame pushed: the platform's floor
// for opening the black screen.
static HWND OpenBareLayer(const RECT& area) {
  const int width = area.right - area.left, height = area.bottom - area.top;
  HWND window = ::CreateWindowExW(WS_EX_LAYERED | WS_EX_TOPMOST | WS_EX_TOOLWINDOW, L"BareLayer", L"", WS_POPUP,
                                  area.left, area.top, width, height, nullptr, nullptr, nullptr, nullptr);
  BITMAPINFO info{{sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB}};
  void* bits = nullptr;
  HDC dc = ::CreateCompatibleDC(nullptr);
  HBITMAP bitmap = ::CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = ::SelectObject(dc, bitmap);
  std::fill_n(static_cast<std::uint32_t*>(bits), static_cast<std::size_t>(width) * height, 0xFF000000u);
  POINT source{0, 0}, destination{area.left, area.top};
  SIZE size{width, height};
  BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  ::UpdateLayeredWindow(window, nullptr, &destination, &size, dc, &source, 0, &blend, ULW_ALPHA);
  ::ShowWindow(window, SW_SHOWNOACTIVATE);
  ::SelectObject(dc, old);
  ::DeleteObject(bitmap);
  ::DeleteDC(dc);
  return window;
}

// Start to idle message loop and idle private memory against two bare programs (one window; one
// window and a tray icon), all three alternated so that they see the same machine; the DLLs the idle
// program has loaded; then opening the black screen against the bare layered window.
static void RunFootprintBench() {
  Program programs[] = {CopyOf("bare_window.exe", L"BareWindow", WM_CLOSE, 0, L" wait"),
                        CopyOf("bare_window.exe", L"BareWindow", WM_CLOSE, 0, L" wait tray"),
                        CopyOf("umbraline.exe", kMainWindowClass, WM_COMMAND, IDM_EXIT, L"")};
  Program &bare = programs[0], &tray = programs[1], &program = programs[2];
  std::set<std::string> trayDlls, programDlls;
  for (int i = 0; i < 15; ++i) {
    for (Program& p : programs) {
      p.Start();
      ::Sleep(700);
      p.privateMiB.push_back(PrivateMiB(p.copy));
      if (i == 0) (&p == &tray ? trayDlls : programDlls) = LoadedDlls(p.copy);
      p.End();
    }
  }
  Row("start: bare program, one window", Median(bare.startMs), "ms");
  Row("start: bare program, one window and a tray icon", Median(tray.startMs), "ms");
  Row("start: umbraline.exe to idle message loop", Median(program.startMs), "ms");
  Row("start: ratio to the bare window", Median(program.startMs) / Median(bare.startMs), "x");
  Goal("start: ratio to the bare window and tray icon", Median(program.startMs) / Median(tray.startMs), 1.15, "x");
  std::printf("dlls: idle umbraline.exe loads %zu, beyond the bare tray program:", programDlls.size());
  for (const std::string& dll : programDlls)
    if (!trayDlls.count(dll)) std::printf(" %s", dll.c_str());
  std::printf("\n");
  Row("memory: bare program idle (Wine's own share)", Median(bare.privateMiB), "MiB");
  Row("memory: bare program with a tray icon idle", Median(tray.privateMiB), "MiB");
  Row("memory: umbraline.exe idle", Median(program.privateMiB), "MiB");
  Goal("memory: umbraline.exe idle - bare program", Median(program.privateMiB) - Median(bare.privateMiB), 1.0, "MiB");
  program.Start();
  const double cpu = CpuMs(program.copy);
  ::Sleep(10000);
  Row("idle: CPU used in 10 s with both modes off", CpuMs(program.copy) - cpu, "ms");
  program.End();
  for (const Program& p : programs) ::DeleteFileA(p.copy.c_str());

  // Black screen on the cursor's monitor, no fade, no clock, no badges.
  App().instance = ::GetModuleHandleW(nullptr);
  App().configPath = (std::filesystem::temp_directory_path() / L"umbraline-bench-config.ini").wstring();
  WriteUtf8FileAtomic(App().configPath, L"[Overlay]\nFadeInDurationMs=0\nClockDisplay=None\n");
  ::SetCursorPos(10, 10);
  MONITORINFO monitor{sizeof monitor};
  ::GetMonitorInfoW(::MonitorFromPoint(POINT{10, 10}, MONITOR_DEFAULTTOPRIMARY), &monitor);
  WNDCLASSEXW layerClass{sizeof layerClass, 0, ::DefWindowProcW};
  layerClass.lpszClassName = L"BareLayer";
  ::RegisterClassExW(&layerClass);
  const double first = MedianMs(1, [] { ShowOverlays(OverlayTarget::Current); });
  CloseOverlays();
  std::vector<double> floor, shows;
  for (int i = 0; i < 21; ++i, CloseOverlays()) {
    HWND layer = nullptr;
    floor.push_back(MedianMs(1, [&] { layer = OpenBareLayer(monitor.rcMonitor); }));
    ::DestroyWindow(layer);
    shows.push_back(MedianMs(1, [] { ShowOverlays(OverlayTarget::Current); }));
  }
  const std::string size = std::to_string(monitor.rcMonitor.right - monitor.rcMonitor.left) + "x" +
                           std::to_string(monitor.rcMonitor.bottom - monitor.rcMonitor.top);
  Row("overlay: first ShowOverlays on " + size, first, "ms");
  Row("overlay: bare layered window, one frame, " + size, Median(floor), "ms");
  Row("overlay: ShowOverlays on " + size + ", warm", Median(shows), "ms");
  Goal("overlay: ratio ShowOverlays / bare layered window", Median(shows) / Median(floor), 1.25, "x");
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
