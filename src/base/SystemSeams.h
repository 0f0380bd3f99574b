#pragma once
// The few platform calls whose effect is only a global side effect (the thread's execution state,
// injected input, the user's UI language, the clock and waiting, starting other programs, foreground
// rights, the executable's path, the notification-area icon, message boxes), the user's roaming and
// Startup folders and the registry key of the user's start-up approvals (tests point them at their own),
// or whose answer tests cannot choose under Wine (the window station's flags, the running processes,
// the monitors, the user's notification state). Everything calls them through here; they default to the
// real API, and tests swap single entries for the length of a test.
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>
#include <wtsapi32.h>

#include <cstdint>
#include <string>
#include <vector>

// One running process: its id and the file name of its executable ("obs64.exe").
struct RunningProcess {
  DWORD id = 0;
  std::wstring fileName;
};

// The processes of every session, from a toolhelp snapshot; empty when none can be taken.
std::vector<RunningProcess> ListRunningProcesses();
// Whether this process's session is locked or disconnected (WTSQuerySessionInformationW); false
// when it cannot be read.
bool SessionLockedOrDisconnected();

struct SystemSeams {
  EXECUTION_STATE(WINAPI* setThreadExecutionState)(EXECUTION_STATE) = ::SetThreadExecutionState;
  UINT(WINAPI* sendInput)(UINT, LPINPUT, int) = ::SendInput;
  BOOL(WINAPI* getLastInputInfo)(PLASTINPUTINFO) = ::GetLastInputInfo;
  LANGID(WINAPI* getUserDefaultUILanguage)() = ::GetUserDefaultUILanguage;
  BOOL(WINAPI* setThreadPreferredUILanguages)(DWORD, PCZZWSTR, PULONG) = ::SetThreadPreferredUILanguages;
  void(WINAPI* getLocalTime)(LPSYSTEMTIME) = ::GetLocalTime;
  void(WINAPI* getSystemTime)(LPSYSTEMTIME) = ::GetSystemTime;  // UTC
  // A UTC time as the local clock shows it then, by the rules of the time zone in force (null zone).
  BOOL(WINAPI* systemTimeToTzSpecificLocalTime)(const TIME_ZONE_INFORMATION*, const SYSTEMTIME*,
                                                LPSYSTEMTIME) = ::SystemTimeToTzSpecificLocalTime;
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
  // The window that has the keyboard (Windows may have refused it to ours, which Wine never does).
  HWND(WINAPI* getForegroundWindow)() = ::GetForegroundWindow;
  DWORD(WINAPI* getModuleFileName)(HMODULE, LPWSTR, DWORD) = ::GetModuleFileNameW;
  // The resident program started by a command-line call.
  BOOL(WINAPI* createProcess)(LPCWSTR, LPWSTR, LPSECURITY_ATTRIBUTES, LPSECURITY_ATTRIBUTES, BOOL, DWORD, LPVOID,
                              LPCWSTR, LPSTARTUPINFOW, LPPROCESS_INFORMATION) = ::CreateProcessW;
  // The notification-area icon: added, modified (its tooltip, a notice) and deleted.
  BOOL(WINAPI* shellNotifyIcon)(DWORD, PNOTIFYICONDATAW) = ::Shell_NotifyIconW;
  int(WINAPI* messageBox)(HWND, LPCWSTR, LPCWSTR, UINT) = ::MessageBoxW;
  // The flags of a window station or desktop (UOI_FLAGS).
  BOOL(WINAPI* getUserObjectInformation)(HANDLE, int, PVOID, DWORD, LPDWORD) = ::GetUserObjectInformationW;
  // The pause between the tries on a busy file.
  void(WINAPI* sleep)(DWORD) = ::Sleep;
  // The user's shell folders by CSIDL: the roaming application-data folder (config.ini) and the Startup folder.
  HRESULT(WINAPI* getFolderPath)(HWND, int, HANDLE, DWORD, LPWSTR) = ::SHGetFolderPathW;
  // Under HKEY_CURRENT_USER: where Task Manager and Settings record start-up entries the user
  // disabled, one value per shortcut in the Startup folder.
  const wchar_t* startupApprovedKey =
      L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\StartupFolder";
  // The running processes (ListRunningProcesses).
  std::vector<RunningProcess> (*listRunningProcesses)() = ListRunningProcesses;
  // The power source and the battery, and their change notices to a window.
  BOOL(WINAPI* getSystemPowerStatus)(LPSYSTEM_POWER_STATUS) = ::GetSystemPowerStatus;
  HPOWERNOTIFY(WINAPI* registerPowerSettingNotification)(HANDLE, LPCGUID, DWORD) = ::RegisterPowerSettingNotification;
  // The session's lock and connection: its change notices to a window (wtsapi32, loaded at first
  // use) and its state now.
  BOOL(WINAPI* registerSessionNotification)(HWND, DWORD) = ::WTSRegisterSessionNotification;
  BOOL(WINAPI* unregisterSessionNotification)(HWND) = ::WTSUnRegisterSessionNotification;
  bool (*sessionLockedOrDisconnected)() = SessionLockedOrDisconnected;
  // Whether the user is there and free: a full-screen program, a presentation, a screen saver or lock.
  HRESULT(WINAPI* queryUserNotificationState)(QUERY_USER_NOTIFICATION_STATE*) = ::SHQueryUserNotificationState;
  // The monitors of the desktop (the test screen has two side by side).
  BOOL(WINAPI* enumDisplayMonitors)(HDC, LPCRECT, MONITORENUMPROC, LPARAM) = ::EnumDisplayMonitors;
};

// Whether the user has high contrast on.
bool HighContrastOn();
// Whether the process's window station is the visible, interactive one. A scheduled task run whether
// the user is logged on or not, or as another account, runs on an invisible one: no one can see a
// window there, a tray icon or a message box. True when the flags cannot be read.
bool WindowStationVisible();

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
