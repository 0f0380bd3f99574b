#pragma once
// The text form of the toggle hotkey: "Ctrl+Alt+VK_V", "none", ...
#include <cstddef>
#include <cstdint>
#include <string>

#include "config/Settings.h"

struct VirtualKeyName {
  const wchar_t* name;
  std::uint32_t code;
};

inline constexpr std::size_t kVirtualKeyNameCount = 150;

// Every key name the parser knows, searched in this order (the first row of a code names it).
extern const VirtualKeyName VirtualKeyNames[kVirtualKeyNameCount];

// True when text is valid hotkey text (a disabled hotkey included); fills spec (may be null).
bool ParseHotkeySpec(const wchar_t* text, HotkeySpec* spec);
// Virtual-key code of a key name, 0 when the text names no key.
std::uint32_t ParseKeyName(const wchar_t* text);
// The text stored as ToggleHotkey (at most 127 characters).
std::wstring FormatHotkeyForConfig(const HotkeySpec& spec);
// The label shown in the tray menu (at most 127 characters).
std::wstring FormatHotkeyForDisplay(const HotkeySpec& spec);

// Whether the hotkey is a Ctrl+Alt (or Ctrl+Alt+Shift) combination without the Windows key whose key
// gives a character (or starts a dead key) with AltGr on one of the installed keyboard layouts, such
// as "@" from Ctrl+Alt+V on a Czech keyboard. Registered, such a hotkey would swallow that character.
bool HotkeyTakesAltGrCharacter(const HotkeySpec& hotkey);
