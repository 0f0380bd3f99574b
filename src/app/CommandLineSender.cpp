#include <windows.h>
#include <shellapi.h>

#include "app/CommandLineCalls.h"
#include "app/MainWindow.h"
#include "base/Handles.h"
#include "base/Helpers.h"
#include "base/Messages.h"
#include "base/Monitors.h"
#include "base/SystemSeams.h"

namespace {

constexpr DWORD kFindWindowMs = 5000;  // the mutex exists, the window not yet
constexpr DWORD kStartWindowMs = 10000;  // a started program's window
constexpr DWORD kAnswerMs = 5000;
constexpr DWORD kExitWaitMs = 5000;
constexpr DWORD kPollMs = 50;
// Serialises calls that find nothing running, so that only one of them starts the program.
constexpr wchar_t kStartMutexName[] = L"Umbraline_CommandLineStart";

bool ProgramMutexExists() {
  KernelHandle mutex(::OpenMutexW(SYNCHRONIZE, FALSE, kSingleInstanceMutexName));
  return mutex || ::GetLastError() == ERROR_ACCESS_DENIED;  // another user's rights: it exists too
}

// The running program's window, waiting up to timeoutMs while `waiting` holds (and the window is missing).
template <typename Condition>
HWND WaitForProgramWindow(DWORD timeoutMs, Condition waiting) {
  const ULONGLONG end = ::GetTickCount64() + timeoutMs;
  for (;;) {
    if (HWND window = FindMainWindow()) return window;
    if (::GetTickCount64() >= end || !waiting()) return nullptr;
    ::Sleep(kPollMs);
  }
}

// Starts the resident program (this executable without arguments) and waits for its window. It runs
// at normal priority (a scheduled task runs below normal, and a child takes that on) and outside our
// job, so that a build agent ending the job's processes after a step leaves it running; a job that
// forbids breakaway refuses that start, and then it starts inside the job.
HWND StartResidentProgram() {
  const std::wstring& path = ExecutablePath();
  const std::wstring folder = ExecutableFolder();
  std::wstring commandLine = L"\"" + path + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  const auto start = [&](DWORD flags) {
    return Seams().createProcess(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, flags, nullptr,
                                 folder.c_str(), &startup, &info) != FALSE;
  };
  // The mark tells the program that no one asked for a menu (see Startup.cpp); it reaches the
  // program through the environment it inherits and is gone from ours right after.
  ::SetEnvironmentVariableW(kStartedByCallVariable, L"1");
  const bool started = !path.empty() && (start(NORMAL_PRIORITY_CLASS | CREATE_BREAKAWAY_FROM_JOB) ||
                                         (::GetLastError() == ERROR_ACCESS_DENIED && start(NORMAL_PRIORITY_CLASS)));
  ::SetEnvironmentVariableW(kStartedByCallVariable, nullptr);
  if (!started) return nullptr;
  KernelHandle process(info.hProcess);
  KernelHandle thread(info.hThread);
  // Another copy (the one from the Startup folder, at log-on) may take the mutex first; ours then
  // ends, and the call goes to that one.
  return WaitForProgramWindow(
      kStartWindowMs, [&] { return ::WaitForSingleObject(process.Get(), 0) == WAIT_TIMEOUT || ProgramMutexExists(); });
}

// Sends the call, with the reply window in wParam; a program still starting up is asked again until
// the time is up. 0: no answer.
LRESULT SendCall(HWND window, const std::wstring& data, HWND replyWindow) {
  COPYDATASTRUCT message{kCommandLineCopyDataTag, static_cast<DWORD>(data.size() * sizeof(wchar_t)),
                         const_cast<wchar_t*>(data.data())};
  const ULONGLONG end = ::GetTickCount64() + kAnswerMs;
  for (;;) {
    const ULONGLONG now = ::GetTickCount64();
    DWORD_PTR answer = 0;
    if (now >= end || !::SendMessageTimeoutW(window, WM_COPYDATA, reinterpret_cast<WPARAM>(replyWindow),
                                             reinterpret_cast<LPARAM>(&message), SMTO_ABORTIFHUNG,
                                             static_cast<UINT>(end - now), &answer))
      return 0;
    if (static_cast<LRESULT>(answer) != kAnswerStarting) return static_cast<LRESULT>(answer);
    ::Sleep(kPollMs);
  }
}

// The reply window: the status lines that the running program sends come to it while this thread waits
// in SendCall (a thread blocked in SendMessageTimeoutW still takes the messages sent to its windows),
// and are printed at once. Its user data counts the messages of lines it has taken; its extra bytes
// hold the window called: lines are taken once, and only as sent by that window (any program may
// send to this one).
LRESULT TakeStatusLines(HWND window, HWND sender, const COPYDATASTRUCT* data) {
  if (sender == nullptr || sender != reinterpret_cast<HWND>(::GetWindowLongPtrW(window, 0)) ||
      ::GetWindowLongPtrW(window, GWLP_USERDATA) != 0)
    return FALSE;
  const std::optional<std::wstring> lines = data ? DecodeStatusLines(data->dwData, data->lpData, data->cbData)
                                                 : std::nullopt;
  if (!lines) return FALSE;
  WriteCallOutput(*lines, false, false);
  ::SetWindowLongPtrW(window, GWLP_USERDATA, ::GetWindowLongPtrW(window, GWLP_USERDATA) + 1);
  return TRUE;
}

LRESULT CALLBACK StatusReplyWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COPYDATA:
      return TakeStatusLines(window, reinterpret_cast<HWND>(wParam), reinterpret_cast<const COPYDATASTRUCT*>(lParam));
    default: return ::DefWindowProcW(window, message, wParam, lParam);
  }
}

// A message-only window that takes WM_COPYDATA from any integrity level: the running program may
// run elevated, or lower, than this call.
WindowHandle CreateStatusReplyWindow(HWND called) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = StatusReplyWindowProc;
  windowClass.cbWndExtra = sizeof(LONG_PTR);  // the window called
  windowClass.hInstance = ::GetModuleHandleW(nullptr);
  windowClass.lpszClassName = kStatusReplyWindowClass;
  if (!RegisterWindowClass(windowClass)) return WindowHandle();
  WindowHandle reply(::CreateWindowExW(0, kStatusReplyWindowClass, nullptr, 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                       windowClass.hInstance, nullptr));
  if (reply) ::SetWindowLongPtrW(reply.Get(), 0, reinterpret_cast<LONG_PTR>(called));
  if (reply) Seams().changeWindowMessageFilterEx(reply.Get(), WM_COPYDATA, MSGFLT_ALLOW, nullptr);
  return reply;
}

HANDLE UsableStdHandle(DWORD which) {
  const HANDLE handle = ::GetStdHandle(which);
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE || ::GetFileType(handle) == FILE_TYPE_UNKNOWN) return nullptr;
  return handle;
}

bool WriteText(HANDLE handle, const std::wstring& text) {
  DWORD mode = 0, written = 0;
  if (::GetConsoleMode(handle, &mode))
    return ::WriteConsoleW(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) != FALSE;
  const std::string utf8 = ToUtf8(text);
  return ::WriteFile(handle, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr) != FALSE;
}

}  // namespace

void WriteCallOutput(const std::wstring& text, bool error, bool boxed) {
  HANDLE handle = UsableStdHandle(error ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
  if (handle == nullptr) handle = UsableStdHandle(error ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
  if (handle != nullptr && WriteText(handle, text)) return;
  if (::AttachConsole(ATTACH_PARENT_PROCESS)) {
    const FileHandle console(::CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                           nullptr, OPEN_EXISTING, 0, nullptr));
    if (console && WriteText(console.Get(), text)) return;
  }
  // Never on a window station no one sees: a box there waits for good, and the task with it.
  if (boxed && WindowStationVisible())
    Seams().messageBox(nullptr, text.c_str(), kMainWindowTitle, MB_OK | (error ? MB_ICONWARNING : MB_ICONINFORMATION));
}

int CallRunningProgram(const std::vector<std::wstring>& arguments) {
  std::wstring error = L"the arguments are too long";
  const std::optional<CommandLineCall> call = ParseCommandLine(arguments, &error, ListMonitors().count);
  const std::wstring data = call ? EncodeCommandLineData(arguments) : std::wstring();
  if (!call || data.empty()) {
    WriteCallOutput(L"umbraline: " + error + L"\r\n" + CommandLineUsage(), true, true);
    return kExitUsage;
  }
  if (call->kind == CallKind::Help) {
    WriteCallOutput(CommandLineUsage(), false, true);
    return kExitApplied;
  }
  if (!WindowStationVisible()) {  // the program neither starts nor runs there
    WriteCallOutput(L"umbraline: this session has no visible desktop (a task run whether the user is logged on "
                    L"or not, or as another user); nothing was done\r\n",
                    true, false);
    return kExitNoAnswer;
  }
  HWND window = nullptr;
  if (ProgramMutexExists()) {
    window = WaitForProgramWindow(kFindWindowMs, [] { return true; });
  } else if (call->kind == CallKind::Exit) {
    return kExitApplied;  // nothing to end, nothing started
  } else if (call->kind == CallKind::Status) {
    WriteCallOutput(L"not running\r\n", false, false);
    return kExitNotRunning;
  } else {
    KernelHandle startLock(::CreateMutexW(nullptr, FALSE, kStartMutexName));
    const DWORD locked = startLock ? ::WaitForSingleObject(startLock.Get(), 2 * kStartWindowMs) : WAIT_FAILED;
    window = ProgramMutexExists() ? WaitForProgramWindow(kFindWindowMs, [] { return true; }) : StartResidentProgram();
    if (locked == WAIT_OBJECT_0 || locked == WAIT_ABANDONED) ::ReleaseMutex(startLock.Get());
  }
  if (window == nullptr) return kExitNoAnswer;

  DWORD processId = 0;
  ::GetWindowThreadProcessId(window, &processId);
  ::AllowSetForegroundWindow(processId);  // our foreground right, for the black screen it may open
  const KernelHandle process(::OpenProcess(SYNCHRONIZE, FALSE, processId));
  const WindowHandle reply = call->kind == CallKind::Status ? CreateStatusReplyWindow(window) : WindowHandle();
  const LRESULT answer = SendCall(window, data, reply.Get());
  ProgramStatus status;
  if (call->kind == CallKind::Status && DecodeStatusAnswer(answer, status)) {
    // A running copy that sent no lines (an older one) answered in the packed form alone.
    if (::GetWindowLongPtrW(reply.Get(), GWLP_USERDATA) == 0) WriteCallOutput(FormatStatusLines(status), false, false);
    return kExitApplied;
  }
  if (answer == kAnswerUsage) {
    WriteCallOutput(L"umbraline: the running program refused the call\r\n" + CommandLineUsage(), true, true);
    return kExitUsage;
  }
  if (answer != kAnswerApplied || call->kind == CallKind::Status) return kExitNoAnswer;
  if (call->kind != CallKind::Exit) return kExitApplied;
  // Once it is gone, not only its window: an update script may replace it next.
  return WaitForProgramExit(process.Get(), kExitWaitMs) ? kExitApplied : kExitNoAnswer;
}

bool WaitForProgramExit(HANDLE process, DWORD timeoutMs) {
  if (process) return ::WaitForSingleObject(process, timeoutMs) == WAIT_OBJECT_0;
  for (const ULONGLONG end = ::GetTickCount64() + timeoutMs; ProgramMutexExists(); ::Sleep(kPollMs))
    if (::GetTickCount64() >= end) return false;
  return true;
}

std::optional<int> RunCommandLineCall() {
  int count = 0;
  const ArgumentList arguments(::CommandLineToArgvW(::GetCommandLineW(), &count));
  if (!arguments || count <= 1) return std::nullopt;
  return CallRunningProgram(std::vector<std::wstring>(arguments.Get() + 1, arguments.Get() + count));
}
