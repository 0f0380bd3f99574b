#pragma once
// The notification-area icon and its tooltip.
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/Handles.h"
#include "base/LocalTime.h"
#include "config/Settings.h"

bool AddTrayIcon();
// After "TaskbarCreated" (Explorer restarted, or a DPI or display change while it kept the icon):
// reloads the picture at the primary monitor's DPI and adds the icon, or modifies it when the shell
// still holds it; either success counts as added.
void ReAddTrayIcon();
void UpdateTrayTooltip();
void RemoveTrayIcon();
// A notice from the icon (a balloon, or a notification on newer Windows) with the program's large
// icon, kept back by Windows while the user does not want to be disturbed; false when the icon is
// not in the notification area or the shell refused it.
bool ShowTrayNotice(std::wstring_view text);
// The notice's text when a timed session has ended: "Prevent sleep ended", "Keep running ended" or both.
std::wstring SessionEndedText(bool sleepPrevent, bool keepActive, UiLanguage language);

inline constexpr UINT kTrayIconId = 1;
inline constexpr wchar_t kTrayTooltipName[] = L"Umbraline";

inline constexpr std::size_t kTrayTooltipChars = 127;  // szTip without its terminator

// The modes the tooltip lists: a power mode while it is held on, in force or paused.
struct TrayModes {
  bool sleepPrevent = false;
  bool keepActive = false;
  bool blackScreen = false;
  // The pending end of a mode as the user reads it; shown after the mode's suffix when not empty.
  std::wstring sleepPreventEnd;
  std::wstring keepActiveEnd;
  // Why a mode is in force or paused when that is not the user's own switch ("while obs64.exe runs",
  // "paused: locked", ...); shown after the suffix as a menu title shows its value, when not empty.
  std::wstring sleepPreventReason;
  std::wstring keepActiveReason;
};

// "Umbraline" followed by the suffix of each mode that is on, in the given language. Longer than the
// tooltip holds, the reasons are cut first, the longer first, each ending with "…" (or dropped).
std::wstring ComposeTrayTooltip(const TrayModes& modes, UiLanguage language);
// " → " and a pending end as the local clock shows it, in the user's short time format, with the
// short date when it is not today; empty when nothing is pending. Follows a mode's tooltip suffix
// and its menu label.
std::wstring PendingEndSuffix(const SessionEnd& end);

// The tray icon picture: the first of the load attempts that succeeds. Icons from LoadIconW are
// shared and owned by the system, so only `owned` is destroyed.
struct TrayIconPicture {
  IconHandle owned;
  HICON shared = nullptr;
  int attempt = 0;  // 1 sized small, 2 sized 32 x 32, 3 LoadIconW of our resource, 4 stock icon

  HICON Get() const { return owned ? owned.Get() : shared; }
};
// Sized for the given DPI; 0 takes the system's small-icon size of the log-on.
TrayIconPicture LoadTrayIconPicture(HINSTANCE instance, UINT dpi = 0);
