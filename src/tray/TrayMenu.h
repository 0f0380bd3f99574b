#pragma once
// The tray context menu.
#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "base/Handles.h"
#include "config/Settings.h"

MenuHandle BuildTrayMenu();
void ShowTrayMenu();

inline constexpr UINT kTrayMenuTrackFlags = TPM_RETURNCMD | TPM_NONOTIFY | TPM_BOTTOMALIGN | TPM_RIGHTBUTTON;
// Tree branches before the items of a group: U+251C for the first, U+2514 for the last.
inline constexpr wchar_t kTreeBranchMiddle = L'\u251C';
inline constexpr wchar_t kTreeBranchLast = L'\u2514';

// "  <branch> <label>", the label cut at 199 characters.
std::wstring FormatTreeItemLabel(wchar_t branch, std::wstring_view label);
// The English key of the label of the hotkey action and of the clock mode.
const wchar_t* ActionLabel(OverlayAction action);
const wchar_t* ClockDisplayLabel(ClockDisplayMode mode);
// The command id of the preset equal to the hotkey (exactly Ctrl+Alt and V, B, Q, S or M), else 0.
WORD HotkeyPresetCommand(const HotkeySpec& hotkey);
// The current hotkey as the hotkey submenu title shows it; at most 127 characters.
std::wstring FormatCurrentHotkey(const HotkeySpec& hotkey, UiLanguage language);
// The label of a timer preset: its duration with each part named ("1 hour 30 minutes"), or "Until"
// with its time in the user's short time format.
std::wstring TimerPresetLabel(const TimerPreset& preset, UiLanguage language);
// A duration's label from its seconds, each non-zero part with the language's singular or plural.
std::wstring DurationLabel(std::uint32_t seconds, UiLanguage language);
// "Until <clock>" in the language, for a time already formatted.
std::wstring UntilLabel(std::wstring_view clock, UiLanguage language);
// Appends a tree item (see FormatTreeItemLabel), grey when not enabled.
void AppendTreeMenuItem(HMENU menu, UINT id, std::wstring_view label, wchar_t branch, bool enabled);
