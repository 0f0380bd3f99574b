#pragma once
// The ten settings held in memory and the enumerations whose names are the words of config.ini.
#include <cstdint>
#include <string>

enum class NudgeKind : std::int32_t { Mouse = 0, F15 = 1 };

enum class OverlayAction : std::int32_t { BlackAll = 0, BlackCurrent = 1, AwayAll = 2, AwayCurrent = 3 };

enum class ClockDisplayMode : std::int32_t { None = 0, Time = 1, Elapsed = 2, TimeAndElapsed = 3 };

enum class UiLanguage : std::int32_t {
  Japanese = 0,
  English = 1,
  Korean = 2,
  ChineseSimplified = 3,
  ChineseTraditional = 4,
  French = 5,
  Italian = 6,
  German = 7,
  Spanish = 8,
};

// RegisterHotKey modifier flags.
inline constexpr std::uint32_t kModAlt = 0x1;
inline constexpr std::uint32_t kModControl = 0x2;
inline constexpr std::uint32_t kModShift = 0x4;
inline constexpr std::uint32_t kModWin = 0x8;

struct HotkeySpec {
  std::uint32_t modifiers = kModControl | kModAlt;
  std::uint32_t virtualKey = 0x56;  // 'V'; 0 means no hotkey

  friend bool operator==(const HotkeySpec&, const HotkeySpec&) = default;
};

// Ctrl+Alt+V, the hotkey used whenever the configured text cannot be used.
inline constexpr HotkeySpec kDefaultHotkey{kModControl | kModAlt, 0x56};

inline constexpr std::size_t kLanguageMaxChars = 63;

// Limits of the integer settings.
inline constexpr std::uint32_t kIdleThresholdMinSec = 60;
inline constexpr std::uint32_t kIdleThresholdMaxSec = 3600;
inline constexpr std::uint32_t kIdleThresholdDefaultSec = 240;
inline constexpr std::uint32_t kCheckIntervalMinSec = 10;
inline constexpr std::uint32_t kCheckIntervalMaxSec = 600;
inline constexpr std::uint32_t kCheckIntervalDefaultSec = 45;

struct Settings {
  bool SleepPrevent = false;
  bool KeepActive = false;
  bool RunAtStartup = false;
  std::uint32_t IdleThresholdSec = kIdleThresholdDefaultSec;
  std::uint32_t CheckIntervalSec = kCheckIntervalDefaultSec;
  NudgeKind Nudge = NudgeKind::Mouse;
  std::wstring Language;  // at most kLanguageMaxChars characters
  OverlayAction Action = OverlayAction::AwayCurrent;
  HotkeySpec ToggleHotkey = kDefaultHotkey;
  ClockDisplayMode ClockDisplay = ClockDisplayMode::Time;

  friend bool operator==(const Settings&, const Settings&) = default;
};
