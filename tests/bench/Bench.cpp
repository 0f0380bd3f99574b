// Benchmark executable, run through scripts/bench [group]: one row of figures (medians) per measurement.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "app/AppState.h"
#include "base/Handles.h"
#include "base/Helpers.h"
#include "base/Messages.h"
#include "base/SystemSeams.h"
#include "config/ConfigLoad.h"
#include "config/ConfigSave.h"
#include "config/IniDocument.h"
#include "config/ProgramList.h"
#include "overlay/Overlay.h"
#include "resource.h"

static double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}
template <typename Work>
static double TimeMs(const Work& work) {
  const auto start = std::chrono::steady_clock::now();
  work();
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}
template <typename Work>
static double MedianMs(int rounds, const Work& work) {
  std::vector<double> times(rounds);
  for (double& time : times) time = TimeMs(work);
  return Median(times);
}

static void Row(const std::string& name, double value, const char* unit, double goal = 0) {
  std::printf("%-48s %12.3f %-3s", name.c_str(), value, unit);
  std::printf(goal > 0 ? " goal <= %.2f: %s\n" : "\n", goal, value <= goal ? "met" : "NOT MET");
}

// The largest file the reader accepts (ASCII after a 3-byte mark): 40 short keys a section, the program's at the end.
static void RunIniAndConfigBench() {
  const std::wstring tail = L"\n[General]\nSleepPrevent=0\n[Overlay]\nBadgeAlpha=64\n";
  std::wstring text;
  for (int n = 0; text.size() < kIniMaxFileBytes; ++n) {
    if (n % 40 == 0) text += L"[Section" + std::to_wstring(n / 40) + L"]\n";
    text += L"Key" + std::to_wstring(n % 40) + L" = value " + std::to_wstring(n % 40 * 7) + L" ; note\n";
  }
  WriteUtf8FileAtomic(App().configPath, text.substr(0, kIniMaxFileBytes - 3 - tail.size()) + tail);
  IniDocument document(App().configPath);
  Row("ini: Load 512 KiB file", MedianMs(15, [&] { document.Load(); }), "ms");
  Row("ini: Save the loaded document", MedianMs(15, [&] { document.Save(); }), "ms");
  Row("config: LoadConfig, 512 KiB file", MedianMs(15, LoadConfig), "ms");
  const HRSRC stock = ::FindResourceW(nullptr, MAKEINTRESOURCEW(IDR_DEFAULT_CONFIG), RT_RCDATA);
  WriteFileAtomic(App().configPath, ::LockResource(::LoadResource(nullptr, stock)), ::SizeofResource(nullptr, stock));
  Row("config: LoadConfig, default file", MedianMs(31, LoadConfig), "ms");
  Row("config: SaveConfig, default file", MedianMs(31, SaveConfig), "ms");
}

// An elapsed clock ticking over both badges, full against partial render (push excluded: Wine copies it all). The
// ratio has no goal: a partial render is mostly GDI+ drawing the text, about 0.4 ms a second per monitor, unnoticed.
static void RunOverlayBench() {
  ScopedSeams seams;
  static ULONGLONG tick = 10000000;
  seams->getTickCount64 = [] { return tick += 1000; };
  App().sleepPreventBadgeImage = BadgeImage{std::vector<std::uint32_t>(64 * 64, 0xFF30A0F0), 64, 64, true};
  App().keepActiveBadgeImage = BadgeImage{std::vector<std::uint32_t>(64 * 64, 0xC0C86432), 64, 64, true};
  RegisterOverlayClass();
  const OverlayComposition c{true, true, ClockDisplayMode::Elapsed, 10000000, 32, 200};
  if (!AddOverlayWindow(RECT{0, 0, 3840, 2160}, c)) return Row("overlay: could not create a 3840x2160 window", 0, "");
  OverlayWindow& overlay = App().overlayWindows.front();
  PushOverlayBitmap(overlay, 255);
  const double full = MedianMs(31, [&] { RenderOverlayBitmap(overlay, c); });
  const double partial = MedianMs(31, [&] { RefreshOverlayContent(overlay, c); });
  Row("overlay: full render per tick, 3840x2160", full, "ms");
  Row("overlay: partial render per tick (push excluded)", partial, "ms");
  Row("overlay: ratio partial / full render", partial / full, "x");
  CloseOverlays();
  const std::wstring configPath = App().configPath;  // the next group starts afresh
  App() = AppState{};
  App().instance = ::GetModuleHandleW(nullptr);
  App().configPath = configPath;
}

static std::string ReadHostFile(const std::string& path) {  // a process gone: its /proc files read as empty
  std::ifstream file(path, std::ios::binary);
  return std::string{std::istreambuf_iterator<char>(file), {}};
}

// Wine answers zeros for another process's memory: the host's /proc (drive Z:), newest process naming `exe`.
static std::string HostProcFile(const std::string& exe, const char* file) {
  std::error_code error;
  std::pair<double, std::string> newest{-1, ""};  // start time, folder
  for (const auto& entry : std::filesystem::directory_iterator("Z:\\proc", error)) {
    const std::string folder = entry.path().string() + "\\", stat = ReadHostFile(folder + "stat");
    std::istringstream words(stat.substr(std::min(stat.size(), stat.rfind(')') + 2)));
    std::string word;
    for (int i = 0; i < 20; ++i) words >> word;  // the start time is the 20th word after the command name
    if (ReadHostFile(folder + "cmdline").find(exe) != std::string::npos)
      newest = std::max(newest, {std::atof(word.c_str()), folder});
  }
  return newest.second.empty() ? "" : ReadHostFile(newest.second + file);
}

static std::wstring BesideBench(const std::string& name) {
  return ExecutableFolder() + L"\\" + std::wstring(name.begin(), name.end());
}

struct Program {
  std::string name, copy;
  const wchar_t *windowClass, *arguments;
  std::vector<double> startMs, privateMiB;
  std::set<std::string> dlls;  // mapped into the idle program, from its last run (the first one creates config.ini)
};

static void RunOnce(Program& p) {
  STARTUPINFOW startup{sizeof startup};
  PROCESS_INFORMATION info{};
  std::wstring command = BesideBench(p.copy) + p.arguments;
  p.startMs.push_back(TimeMs([&] {
    ::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info);
    ::WaitForInputIdle(info.hProcess, 30000);
  }));
  const KernelHandle process(info.hProcess), thread(info.hThread);
  ::Sleep(700);
  const std::string rollup = HostProcFile(p.copy, "smaps_rollup");
  double clean = 0, dirty = 0;
  std::sscanf(rollup.c_str() + std::min(rollup.size(), rollup.find("Private_Clean:")),
              "Private_Clean: %lf kB Private_Dirty: %lf", &clean, &dirty);
  p.privateMiB.push_back((clean + dirty) / 1024.0);
  p.dlls.clear();
  std::istringstream maps(HostProcFile(p.copy, "maps"));
  for (std::string line; std::getline(maps, line);)
    if (line.ends_with(".dll")) p.dlls.insert(line.substr(line.rfind('/') + 1));
  if (HWND window = ::FindWindowW(p.windowClass, nullptr)) ::PostMessageW(window, WM_CLOSE, 0, 0);
  if (::WaitForSingleObject(process.Get(), 10000) != WAIT_OBJECT_0) ::TerminateProcess(process.Get(), 1);
}

// The platform's floor for opening the black screen: a topmost layered window, one black frame pushed.
static WindowHandle OpenBareLayer(int width, int height) {
  WindowHandle window(::CreateWindowExW(WS_EX_LAYERED | WS_EX_TOPMOST | WS_EX_TOOLWINDOW, L"BareLayer", L"", WS_POPUP,
                                        0, 0, width, height, nullptr, nullptr, nullptr, nullptr));
  BITMAPINFO info{{sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB}};
  void* bits = nullptr;
  MemoryDcHandle dc(::CreateCompatibleDC(nullptr));
  BitmapHandle bitmap(::CreateDIBSection(dc.Get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  SelectedObject selected(dc.Get(), bitmap.Get());
  std::fill_n(static_cast<std::uint32_t*>(bits), static_cast<std::size_t>(width) * height, 0xFF000000u);
  POINT origin{0, 0};
  SIZE size{width, height};
  BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  ::UpdateLayeredWindow(window.Get(), nullptr, &origin, &size, dc.Get(), &origin, 0, &blend, ULW_ALPHA);
  ::ShowWindow(window.Get(), SW_SHOWNOACTIVATE);
  return window;
}

// Start and idle memory against two bare programs, the three alternated so that they see the same
// machine, each started from a copy named for this run: no other Wine session's process is taken for it.
static void RunFootprintBench() {
  const std::string run = "run" + std::to_string(::GetCurrentProcessId()) + "-";
  Program programs[] = {{"bare program, one window", run + "bare_window.exe", L"BareWindow", L""},
                        {"bare program, one window and a tray icon", run + "bare_window.exe", L"BareWindow", L" tray"},
                        {"umbraline.exe to idle message loop", run + "umbraline.exe", kMainWindowClass, L""}};
  const Program &bare = programs[0], &tray = programs[1], &program = programs[2];
  for (const Program& p : programs)
    ::CopyFileW(BesideBench(p.copy.substr(run.size())).c_str(), BesideBench(p.copy).c_str(), FALSE);
  for (int i = 0; i < 15; ++i)
    for (Program& p : programs) RunOnce(p);
  for (const Program& p : programs) Row("start: " + p.name, Median(p.startMs), "ms");
  Row("start: ratio to the bare window", Median(program.startMs) / Median(bare.startMs), "x");
  Row("start: ratio to the bare window and tray icon", Median(program.startMs) / Median(tray.startMs), "x", 1.15);
  std::string extra;
  for (const std::string& dll : program.dlls) extra += tray.dlls.count(dll) ? "" : " " + dll;
  std::printf("dlls: idle umbraline.exe loads %zu, beyond the tray baseline:%s\n", program.dlls.size(), extra.c_str());
  for (const Program& p : programs) Row("memory idle: " + p.name, Median(p.privateMiB), "MiB");
  Row("memory: umbraline.exe idle - bare program", Median(program.privateMiB) - Median(bare.privateMiB), "MiB", 1.0);
  for (const Program& p : programs) ::DeleteFileW(BesideBench(p.copy).c_str());

  WriteUtf8FileAtomic(App().configPath, L"[Overlay]\nFadeInDurationMs=0\nClockDisplay=None\n");
  ::SetCursorPos(10, 10);  // the black screen on the cursor's monitor, the primary one
  const int width = ::GetSystemMetrics(SM_CXSCREEN), height = ::GetSystemMetrics(SM_CYSCREEN);
  const WNDCLASSW layerClass{0, ::DefWindowProcW, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, L"BareLayer"};
  ::RegisterClassW(&layerClass);
  const auto show = [] { ShowOverlays(OverlayTarget::Current); };
  const double first = TimeMs(show);
  std::vector<double> floor, shows;
  for (int i = 0; i < 21; ++i) {
    CloseOverlays();
    WindowHandle layer;
    floor.push_back(TimeMs([&] { layer = OpenBareLayer(width, height); }));
    layer.Reset();
    shows.push_back(TimeMs(show));
  }
  CloseOverlays();
  const std::string size = std::to_string(width) + "x" + std::to_string(height);
  Row("overlay: first ShowOverlays on " + size, first, "ms");
  Row("overlay: bare layered window, one frame, " + size, Median(floor), "ms");
  Row("overlay: ShowOverlays on " + size + ", warm", Median(shows), "ms");
  Row("overlay: ratio ShowOverlays / bare layered window", Median(shows) / Median(floor), "x", 1.25);
}

// Two lists of 16 watched names against 300 processes from the seam (Wine lists only its own); none runs, each as
// long as every process's name and sharing its first letters in the other case: all compared, letter by letter.
static void RunConditionsBench() {
  ScopedSeams seams;
  seams->listRunningProcesses = [] {
    std::vector<RunningProcess> processes;
    for (DWORD i = 0; i < 300; ++i) processes.push_back({4 * i, L"process" + std::to_wstring(100 + i) + L".exe"});
    return processes;
  };
  ProgramList lists[2];
  for (int i = 0; i < 32; ++i) lists[i / 16].push_back(L"PROCESS" + std::to_wstring(400 + i) + (i % 2 ? L".EXE" : L""));
  const auto match = [&] {
    const std::vector<RunningProcess> processes = Seams().listRunningProcesses();
    for (const ProgramList& list : lists) FindRunningProgram(list, processes);
  };
  Row("conditions: match 300 processes, 2 lists of 16", MedianMs(101, match), "ms", 2.0);
}

int main(int argc, char** argv) {
  const std::string only = argc > 1 ? argv[1] : "";
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  std::printf("%-48s %12s\n", "measurement", "median");
  App().instance = ::GetModuleHandleW(nullptr);
  App().configPath = (std::filesystem::temp_directory_path() / L"umbraline-bench-config.ini").wstring();
  if (only.empty() || only == "ini" || only == "config") RunIniAndConfigBench();
  if (only.empty() || only == "conditions") RunConditionsBench();
  if (only.empty() || only == "overlay") RunOverlayBench();
  if (only.empty() || only == "footprint") RunFootprintBench();
  ::DeleteFileW(App().configPath.c_str());
}
