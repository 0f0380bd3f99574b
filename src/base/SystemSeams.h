#pragma once
// The few platform calls whose effect is only a global side effect (the thread's execution state,
// injected input, the user's UI language, the clock and waiting, starting other programs, foreground
// rights, the executable's path, the notification-area icon). Everything calls them through here; they
// default to the real API, and tests swap single entries for the length of a test.
#include <windows.h>
#include <shellapi.h>

#include <cstdint>

struct SystemSeams {
  EXECUTION_STATE(WINAPI* setThreadExecutionState)(EXECUTION_STATE) = ::SetThreadExecutionState;
  UINT(WINAPI* sendInput)(UINT, LPINPUT, int) = ::SendInput;
  BOOL(WINAPI* getLastInputInfo)(PLASTINPUTINFO) = ::GetLastInputInfo;
  LANGID(WINAPI* getUserDefaultUILanguage)() = ::GetUserDefaultUILanguage;
  BOOL(WINAPI* setThreadPreferredUILanguages)(DWORD, PCZZWSTR, PULONG) = ::SetThreadPreferredUILanguages;
  void(WINAPI* getLocalTime)(LPSYSTEMTIME) = ::GetLocalTime;
  DWORD(WINAPI* getTickCount)() = ::GetTickCount;
  ULONGLONG(WINAPI* getTickCount64)() = ::GetTickCount64;
  // Hands a file or address to the program Windows associates with it.
  HINSTANCE(WINAPI* shellExecute)(HWND, LPCWSTR, LPCWSTR, LPCWSTR, LPCWSTR, INT) = ::ShellExecuteW;
  // Which messages from lower integrity reach a window (no effect unless elevated).
  BOOL(WINAPI* changeWindowMessageFilterEx)(HWND, UINT, DWORD, PCHANGEFILTERSTRUCT) = ::ChangeWindowMessageFilterEx;
  // The installed keyboard layouts and what a key gives on one of them.
  int(WINAPI* getKeyboardLayoutList)(int, HKL*) = ::GetKeyboardLayoutList;
  int(WINAPI* toUnicodeEx)(UINT, UINT, const BYTE*, LPWSTR, int, UINT, HKL) = ::ToUnicodeEx;
  // Accessibility settings (high contrast).
  BOOL(WINAPI* systemParametersInfo)(UINT, UINT, PVOID, UINT) = ::SystemParametersInfoW;
  // Passes the right to take the foreground on to another process.
  BOOL(WINAPI* allowSetForegroundWindow)(DWORD) = ::AllowSetForegroundWindow;
  // Waits for messages (or the time-out) while start-up waits for the shell.
  DWORD(WINAPI* msgWaitForMultipleObjects)(DWORD, const HANDLE*, BOOL, DWORD, DWORD) = ::MsgWaitForMultipleObjects;
  DWORD(WINAPI* getModuleFileName)(HMODULE, LPWSTR, DWORD) = ::GetModuleFileNameW;
  // The notification-area icon: added, modified (its tooltip, a notice) and deleted.
  BOOL(WINAPI* shellNotifyIcon)(DWORD, PNOTIFYICONDATAW) = ::Shell_NotifyIconW;
};

// Whether the user has high contrast on.
bool HighContrastOn();

SystemSeams& Seams();

// Replaces the seams for one scope and restores the previous set afterwards.
class ScopedSeams {
 public:
  ScopedSeams() : saved_(Seams()) {}
  ~ScopedSeams() { Seams() = saved_; }
  ScopedSeams(const ScopedSeams&) = delete;
  ScopedSeams& operator=(const ScopedSeams&) = delete;
  SystemSeams* operator->() { return &Seams(); }

 private:
  SystemSeams saved_;
};
