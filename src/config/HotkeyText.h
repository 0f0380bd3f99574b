#pragma once
// The text form of the toggle hotkey: "Ctrl+Alt+VK_V", "none", ...
#include <cstdint>
#include <string>

#include "config/Settings.h"

// True when text is a valid specification (a disabled hotkey included); fills spec (may be null).
bool ParseHotkeySpec(const wchar_t* text, HotkeySpec* spec);
// Virtual-key code of a key name, 0 when the text names no key.
std::uint32_t ParseKeyName(const wchar_t* text);
// The text stored as ToggleHotkey (at most 127 characters).
std::wstring FormatHotkeyForConfig(const HotkeySpec& spec);
// The label shown in the tray menu (at most 127 characters).
std::wstring FormatHotkeyForDisplay(const HotkeySpec& spec);
